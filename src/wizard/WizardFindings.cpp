// Findings: everything that keeps Generate Project from writing a project, gathered in one
// place for the command itself and for `check`, and how a refusal puts the finding's field in
// front of the user.
#include <initializer_list>
#include <iterator>

#include "config/StackBuild.h"
#include "config/Validation.h"
#include "wizard/ClockFindings.h"
#include "wizard/WizardDialog.h"

namespace quillon {

std::vector<Finding> WizardDialog::MissingChoices() const {
    using N = OptionNode;
    // The message, the category that holds the choices, and the choices.
    struct Choice {
        const char* message;
        OptionNode category;
        std::initializer_list<OptionNode> nodes;
    };
    const Choice choices[] = {
        {"Select a Link/Physical Layer", N::LinkPhysicalLayer, {N::Ethernet, N::PPP, N::SLIP}},
        {"Select a Transport Layer", N::TransportLayer, {N::TCP, N::UDP}},
        {"Select a Device", N::DeviceSelection, {N::Vardex, N::Pelmar, N::Zintor}},
        {"Select a Communication Adapter", N::CommunicationAdapter, {N::Lanvik, N::Modara, N::CustomEthernetDevice}},
    };
    std::vector<Finding> findings;
    for (const Choice& choice : choices) {
        bool chosen = false;
        for (OptionNode n : choice.nodes) chosen = chosen || tree_.IsChecked(n);
        if (chosen) continue;
        Finding finding;
        finding.message = choice.message;
        finding.node = choice.category;
        findings.push_back(std::move(finding));
    }
    return findings;
}

std::vector<Finding> WizardDialog::Findings() const {
    std::vector<Finding> findings;
    const auto add = [&](std::vector<Finding> more) {
        findings.insert(findings.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    };
    // One line per source, in the order Generate Project tests them. A text on the page in
    // front of the user that the record does not hold comes first: generating would build
    // the value the user no longer sees.
    add(UnstoredTexts());
    add(MissingChoices());
    add(ValidateRecord(record_, tree_));
    add(ClockFindings(record_));
    add(MemoryFindings(record_));

    for (Finding& finding : findings) {
        if (finding.field.empty() || finding.control != 0) continue;
        if (const std::optional<PanelField> edit = PanelFieldOf(finding.field)) {
            finding.control = edit->control;
            finding.caption = std::string(edit->caption);
        }
    }
    return findings;
}

std::vector<Finding> WizardDialog::Warnings() const {
    std::vector<Finding> warnings = AddressWarnings(record_, tree_);
    for (Finding& w : warnings) {
        const bool smtp = w.node == OptionNode::SMTP;
        if (w.field == "ip_src_addr") {
            w.control = ControlId::Address2;
            w.caption = "Source IP Address";
        } else if (w.field == "gateway_ip_addr") {
            w.control = ControlId::Address3;
            w.caption = "Gateway IP Address";
        } else if (smtp) {
            w.control = ControlId::Address2;
            w.caption = "SMTP server IP address";
        }
    }
    return warnings;
}

void WizardDialog::ShowRefusal(const Finding& finding) {
    Warn(finding.message);
    // The node comes into view: its categories open, and it is selected, which shows its page.
    for (std::optional<OptionNode> parent = InfoOf(finding.node).parent; parent; parent = InfoOf(*parent).parent) {
        tree_.SetExpanded(*parent, true);
    }
    if (tree_.Selected() != finding.node) OnSelectionChange(finding.node);
    if (finding.control != 0 && panel_.Control(finding.control).visible) {
        focus_request_.control = finding.control;
        ++focus_request_.serial;
    }
    NotifyView();
}

}  // namespace quillon
