#include "qt/QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include "qt/AboutDialog.h"
#include "qt/GenerationPreviewDialog.h"
#include "qt/HelpViewer.h"
#include "qt/ScreenFit.h"
#include "qt/SheetDialog.h"

namespace quillon::qt {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None: return QMessageBox::NoIcon;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// Qt's own folder dialog takes only folders that exist; a project usually goes into a new
// one, so a typed name that is not there yet is made (with the folders above it) on OK.
class FolderDialog : public QFileDialog {
public:
    FolderDialog(QWidget* parent, const QString& title, const QString& folder) : QFileDialog(parent, title, folder) {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
        setObjectName(QStringLiteral("folderDialog"));
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && !chosen.constFirst().isEmpty() && !QFileInfo::exists(chosen.constFirst())) {
            const QString path = QDir::cleanPath(chosen.constFirst());
            if (!QDir().mkpath(path)) {
                QMessageBox::warning(this, windowTitle(),
                                     QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(path)));
                return;
            }
        }
        QFileDialog::accept();
    }
};

}  // namespace

QWidget* QtPlatform::DialogParent() const {
    // A box that a page of the open sheet shows stands over the sheet, not behind it.
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return parent_;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const Message& message, QMessageBox::StandardButtons buttons,
                                            QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(ToQtIcon(message.icon), FromStd(message.caption),
                                             FromStd(message.text), buttons, parent);
    // Texts hold paths and user input; none of it is markup.
    box->setTextFormat(Qt::PlainText);
    if (!message.details.empty() || !message.file_outcomes.empty()) {
        QStringList lines;
        for (const std::string& line : message.details) lines << FromStd(line);
        for (const std::string& line : message.file_outcomes) lines << FromStd(line);
        box->setDetailedText(lines.join(QLatin1Char('\n')));
    }
    return box;
}

QStringList NameFiltersFrom(const std::string& filter) {
    const QStringList parts = FromStd(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        if (name.isEmpty()) break;
        // The description usually repeats its patterns in parentheses; Qt adds its own.
        const qsizetype open = name.lastIndexOf(QLatin1Char('('));
        if (open > 0 && name.endsWith(QLatin1Char(')'))) name = name.left(open).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            // "*.*" would hide files without an extension here.
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    if (filters.isEmpty()) filters << QStringLiteral("All Files (*)");
    return filters;
}

QtPlatform::QtPlatform() = default;

QtPlatform::~QtPlatform() { delete help_.data(); }

HelpViewer* QtPlatform::Help() const { return help_.data(); }

void QtPlatform::SetParentWidget(QWidget* parent) { parent_ = parent; }

void QtPlatform::ShowMessage(const Message& message) {
    auto box = MakeMessageBox(message, QMessageBox::Ok, DialogParent());
    box->exec();
}

bool QtPlatform::AskYesNo(const Message& question) {
    auto box = MakeMessageBox(question, QMessageBox::Yes | QMessageBox::No, DialogParent());
    box->setDefaultButton(QMessageBox::Yes);
    return box->exec() == QMessageBox::Yes;
}

Answer QtPlatform::AskYesNoCancel(const Message& question) {
    auto box = MakeMessageBox(question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, DialogParent());
    box->setDefaultButton(QMessageBox::Yes);
    // Escape and the box's close button call the question off; they never count as No.
    box->setEscapeButton(QMessageBox::Cancel);
    switch (box->exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<std::string> QtPlatform::RunFileDialog(const FileDialogRequest& request, bool save) {
    const QString title = !request.title.empty() ? QString::fromStdString(request.title)
                          : save                  ? QStringLiteral("Save As")
                                                  : QStringLiteral("Open");
    QFileDialog dialog(parent_, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFiltersFrom(request.filter));
    dialog.setDefaultSuffix(FromStd(request.default_extension));
    if (!request.initial_folder.empty()) dialog.setDirectory(FromStd(request.initial_folder));
    // A wildcard "name" only repeats the filter; a real name is offered as the file.
    const QString name = FromStd(request.initial_name);
    if (!name.isEmpty() && !name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) {
        dialog.selectFile(name);
    }
    FitDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtPlatform::OpenFileDialog(const FileDialogRequest& request) {
    if (pre_answered_open_) {
        std::optional<std::string> answer = std::move(pre_answered_open_);
        pre_answered_open_.reset();
        return answer;
    }
    return ChooseFileToOpen(request);
}

std::optional<std::string> QtPlatform::ChooseFileToOpen(const FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::optional<std::string> QtPlatform::SaveFileDialog(const FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

std::optional<std::string> QtPlatform::BrowseForFolder(const std::string& title, const std::string& initial_folder) {
    FolderDialog dialog(parent_, FromStd(title), FromStd(initial_folder));
    FitDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString folder = dialog.selectedFiles().constFirst();
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
}

bool QtPlatform::RunSheet(SheetModel& sheet) {
    SheetDialog dialog(sheet, *this, parent_);
    return dialog.Run();
}

bool QtPlatform::ShowHelp(const std::string& path) { return ShowHelpSection(path, {}); }

bool QtPlatform::ShowHelpSection(const std::string& path, const std::string& section) {
    if (!help_) help_ = new HelpViewer(parent_);
    return help_->ShowFile(FromStd(path), FromStd(section));
}

bool QtPlatform::PreviewGeneration(const GenerationPreview& preview) {
    GenerationPreviewDialog dialog(preview, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

void QtPlatform::ShowAbout(const AboutBox& about_box) {
    AboutDialog about(about_box, parent_);
    about.exec();
}

}  // namespace quillon::qt
