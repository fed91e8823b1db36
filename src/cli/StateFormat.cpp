#include "cli/StateFormat.h"

#include <algorithm>
#include <cstdio>

#include "clock/SheetModel.h"
#include "config/StackBuild.h"
#include "wizard/OptionTree.h"
#include "wizard/SettingsPanel.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {

namespace {

std::string Hex(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value));
    return buf;
}

std::string HexByte(std::uint8_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(value));
    return buf;
}

// Collects the fields; integers in decimal whatever their width (int8 fields print as
// numbers, not characters).
class FieldWriter {
public:
    explicit FieldWriter(std::vector<RecordField>& out) : out_(out) {}
    template <typename T>
    void Int(const char* name, T value) {
        out_.push_back({name, std::to_string(static_cast<long long>(value)), static_cast<long long>(value)});
    }
    void Text(const char* name, std::string_view value) { out_.push_back({name, std::string(value), std::nullopt}); }
    // A number shown in hex (the option bits, register bytes) that is still a number.
    void HexInt(const char* name, std::string text, long long value) { out_.push_back({name, std::move(text), value}); }
    void Address(const char* name, const Ip4& value) { Text(name, DottedAddress(value)); }
    void MacAddress(const char* name, const Mac& value) { Text(name, MacText(value)); }

private:
    std::vector<RecordField>& out_;
};

const char* KindName(PanelControlKind kind) {
    switch (kind) {
    case PanelControlKind::Label: return "label";
    case PanelControlKind::Edit: return "edit";
    case PanelControlKind::Address: return "address";
    case PanelControlKind::Mac: return "mac";
    case PanelControlKind::Combo: return "combo";
    case PanelControlKind::Check: return "check";
    case PanelControlKind::Button: return "button";
    }
    return "control";
}

const char* KindName(PageControlKind kind) {
    switch (kind) {
    case PageControlKind::Radio: return "radio";
    case PageControlKind::Check: return "check";
    case PageControlKind::Edit: return "edit";
    case PageControlKind::Static: return "static";
    }
    return "control";
}

// The entry a combo shows: the country table behind 1039, the protocol table behind 1041.
std::string_view ComboEntry(int id, int selection) {
    if (selection < 0) return {};
    if (id == ControlId::CountryCombo && selection < kCountryCount) return kCountryTable[selection].name;
    if (id == ControlId::ProtocolCombo && selection < kProtocolCount) return kProtocolTable[selection].name;
    return {};
}

}  // namespace

std::string OneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return OneLine(out + '"');
}

std::string DottedAddress(const Ip4& a) {
    return std::to_string(a[0]) + '.' + std::to_string(a[1]) + '.' + std::to_string(a[2]) + '.' + std::to_string(a[3]);
}

std::string MacText(const Mac& mac) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return buf;
}

std::vector<RecordField> RecordFields(const ConfigRecord& r) {
    std::vector<RecordField> fields;
    FieldWriter w(fields);
    w.HexInt("option_bits", Hex(r.option_bits), r.option_bits);
    w.HexInt("device_bits", Hex(r.device_bits), r.device_bits);
    w.Int("code_bank", r.code_bank);
    w.Int("zintor_usb_fifo", r.zintor_usb_fifo);
    w.Int("locatra_enabled", r.locatra_enabled);
    w.Int("use_password", r.use_password);
    w.Int("num_sockets", r.num_sockets);
    w.Int("xmit_buff_size", r.xmit_buff_size);
    w.Int("recv_buff_size", r.recv_buff_size);
    w.Int("socket_wait_ticks", r.socket_wait_ticks);
    w.Int("ether_wait_ticks", r.ether_wait_ticks);
    w.Int("arp_keep_ticks", r.arp_keep_ticks);
    w.Int("arp_resend_trys", r.arp_resend_trys);
    w.Int("arp_wait_ticks", r.arp_wait_ticks);
    w.Int("arp_cache_size", r.arp_cache_size);
    w.Int("arp_auto_update", r.arp_auto_update);
    w.Int("dhcp_resend_trys", r.dhcp_resend_trys);
    w.Int("dhcp_default_lease_time", r.dhcp_default_lease_time);
    w.Int("bootp_resend_trys", r.bootp_resend_trys);
    w.Int("bootp_request_ip", r.bootp_request_ip);
    w.Int("ftp_max_param", r.ftp_max_param);
    w.Int("ftp_buffer_len", r.ftp_buffer_len);
    w.Int("ftp_num_users", r.ftp_num_users);
    w.Int("mem_pool_size", r.mem_pool_size);
    w.Int("http_buffer_len", r.http_buffer_len);
    w.Int("tftp_resend_trys", r.tftp_resend_trys);
    w.Int("ip_time_to_live", r.ip_time_to_live);
    w.Int("ping_buff_size", r.ping_buff_size);
    w.Int("tcp_window", r.tcp_window);
    w.Int("multicast_ttl", r.multicast_ttl);
    w.Int("tcp_resend_ticks", r.tcp_resend_ticks);
    w.Int("tcp_resend_trys", r.tcp_resend_trys);
    w.Int("smtp_buffer_len", r.smtp_buffer_len);
    w.Int("num_vf_pages", r.num_vf_pages);
    w.Int("spare_byte", r.spare_byte);
    w.Int("num_post_funcs", r.num_post_funcs);
    w.Int("tl0_flash", r.tl0_flash);
    w.Int("th0_flash", r.th0_flash);
    w.Address("ip_dest_addr", r.ip_dest_addr);
    w.Address("ip_src_addr", r.ip_src_addr);
    w.Address("ip_smtp_addr", r.ip_smtp_addr);
    w.MacAddress("eth_src_hw_addr", r.eth_src_hw_addr);
    w.MacAddress("eth_dest_hw_addr", r.eth_dest_hw_addr);
    w.Address("gateway_ip_addr", r.gateway_ip_addr);
    w.Address("subnet_mask", r.subnet_mask);
    w.Int("uart_reload", r.uart_reload);
    w.Int("uart_baud_rate", r.uart_baud_rate);
    w.Text("country_cmd", r.country_cmd);
    w.Text("protocol_cmd", r.protocol_cmd);
    w.Text("login_name", r.login_name);
    w.Text("login_password", r.login_password);
    w.Text("dial_cmd", r.dial_cmd);
    w.Int("pap_num_users", r.pap_num_users);
    w.Int("ppp_resend_ticks", r.ppp_resend_ticks);
    w.Int("ppp_resend_trys", r.ppp_resend_trys);
    w.Int("ppp_terminate_trys", r.ppp_terminate_trys);
    w.Int("uri_buffer_len", r.uri_buffer_len);
    w.Int("body_buffer_len", r.body_buffer_len);
    w.Int("dns_buff_size", r.dns_buff_size);
    w.Int("dns_send_trys", r.dns_send_trys);
    w.Int("dns_wait_ticks", r.dns_wait_ticks);
    w.Text("locatra_name", r.locatra_name);
    w.Text("locatra_description", r.locatra_description);
    w.Text("locatra_event1", r.locatra_event1);
    w.Text("locatra_event2", r.locatra_event2);
    w.Int("country_index", r.country_index);
    w.Int("protocol_index", r.protocol_index);
    w.Text("country_code", r.country_code);
    w.Text("modem_protocol", r.modem_protocol);
    w.Text("phone_number", r.phone_number);
    w.HexInt("emif_timing", HexByte(r.emif_timing), r.emif_timing);
    const ClockBlock& k = r.clock;
    w.HexInt("clock.oscxcn", HexByte(k.oscxcn), k.oscxcn);
    w.HexInt("clock.pll0cn", HexByte(k.pll0cn), k.pll0cn);
    w.HexInt("clock.pll0div", HexByte(k.pll0div), k.pll0div);
    w.HexInt("clock.pll0mul", HexByte(k.pll0mul), k.pll0mul);
    w.HexInt("clock.pll0flt", HexByte(k.pll0flt), k.pll0flt);
    w.HexInt("clock.clksel", HexByte(k.clksel), k.clksel);
    w.HexInt("clock.clkmul", HexByte(k.clkmul), k.clkmul);
    w.HexInt("clock.oscicn", HexByte(k.oscicn), k.oscicn);
    w.HexInt("clock.flscl", HexByte(k.flscl), k.flscl);
    w.Int("clock.ext_osc_hz", k.ext_osc_hz);
    w.Int("clock.sysclk_hz", k.sysclk_hz);
    w.Int("clock.int_osc_hz", k.int_osc_hz);
    w.Int("clock_confirmed", r.clock_confirmed);
    return fields;
}

void WriteRecordState(const ConfigRecord& r, std::ostream& out) {
    for (const RecordField& field : RecordFields(r)) out << field.name << '=' << OneLine(field.text) << '\n';
}

void WriteTreeState(const OptionTree& tree, std::ostream& out, const std::vector<OptionNode>& problems) {
    for (const NodeInfo& info : OptionNodeTable()) {
        out << info.text << ": image=" << static_cast<int>(tree.Image(info.node))
            << " checked=" << (tree.IsChecked(info.node) ? 1 : 0);
        if (std::find(problems.begin(), problems.end(), info.node) != problems.end()) out << " problem";
        out << '\n';
    }
    out << "selected:";
    if (const auto selected = tree.Selected()) out << ' ' << InfoOf(*selected).text;
    out << '\n';
}

void WritePanelState(const SettingsPanel& panel, std::ostream& out) {
    for (const PanelControl& c : panel.Controls()) {
        if (!c.visible) continue;
        if (c.kind == PanelControlKind::Label && c.text.empty()) continue;
        out << c.id << ' ' << KindName(c.kind) << (c.enabled ? "" : " disabled") << ' ';
        switch (c.kind) {
        case PanelControlKind::Address: out << DottedAddress(c.address); break;
        case PanelControlKind::Combo: out << c.selection << ' ' << Quoted(ComboEntry(c.id, c.selection)); break;
        case PanelControlKind::Check: out << (c.checked ? 1 : 0); break;
        default: out << Quoted(c.text); break;
        }
        out << '\n';
    }
}

void WriteWindowState(const WizardDialog& window, std::ostream& out) {
    out << "modified=" << (window.Modified() ? 1 : 0) << '\n';
    out << "project_folder=" << OneLine(window.ProjectFolder()) << '\n';
    out << "settings_file=" << OneLine(window.SettingsFileName()) << '\n';
    out << "used_space=" << window.Panel().Control(ControlId::UsedSpace).text << '\n';
    out << "free_space=" << window.Panel().Control(ControlId::FreeSpace).text << '\n';
    const XdataUse xdata = EstimateXdata(window.Record());
    out << "xdata_used=" << xdata.used << '\n';
    out << "xdata_free=" << (xdata.used <= xdata.available ? xdata.available - xdata.used : 0) << '\n';
}

void WriteSheetState(const SheetModel& sheet, std::ostream& out) {
    const PropertyPage& page = sheet.ActivePage();
    out << "page: " << page.Caption() << '\n';
    for (const PageControl& c : page.Controls()) {
        out << c.id << ' ' << KindName(c.kind) << (c.enabled ? "" : " disabled") << (c.visible ? "" : " hidden") << ' ';
        if (c.kind == PageControlKind::Radio || c.kind == PageControlKind::Check) out << (c.checked ? 1 : 0) << ' ';
        out << Quoted(c.text) << '\n';
    }
    // The clock limits this page is where to fix, as the page shows them.
    for (const ClockViolation& v : sheet.PageViolations(sheet.ActiveIndex())) out << "violation: " << OneLine(v.Text()) << '\n';
}

void WriteSummary(const std::vector<SummaryEntry>& summary, std::ostream& out) {
    for (const SummaryEntry& e : summary) {
        const std::string indent(static_cast<std::size_t>(2 * e.depth), ' ');
        out << indent << InfoOf(e.node).text;
        if (!e.state.empty()) out << ": " << e.state;
        out << '\n';
        for (const PanelValueText& value : e.values) out << indent << "  " << value.caption << ": " << OneLine(value.value) << '\n';
    }
}

void WriteExplanation(const NodeExplanation& e, std::ostream& out) {
    const std::string_view node = InfoOf(e.node).text;
    out << "explain: " << node << ": " << e.state;
    if (!e.reason.empty()) out << ": " << OneLine(e.reason);
    out << '\n';
    if (e.cost) out << "explain: " << node << ": cost: " << CostText(*e.cost) << '\n';
}

}  // namespace quillon::cli
