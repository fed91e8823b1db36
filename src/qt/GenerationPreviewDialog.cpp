#include "qt/GenerationPreviewDialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QSyntaxHighlighter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "qt/ScreenFit.h"

namespace quillon::qt {

namespace {

// The outcomes in the order the user should look at them.
constexpr const char* kOutcomeOrder[] = {"conflict", "kept", "replaced", "merged", "updated", "created", "unchanged"};

int Rank(const std::string& outcome) {
    for (int i = 0; i < static_cast<int>(std::size(kOutcomeOrder)); ++i) {
        if (outcome == kOutcomeOrder[i]) return i;
    }
    return static_cast<int>(std::size(kOutcomeOrder));
}

QString Meaning(const PreviewFile& file) {
    const QString name = QString::fromStdString(file.path);
    const QString leaf = name.section(QLatin1Char('/'), -1);
    if (file.outcome == "created") return QStringLiteral("%1 is new: it will be written.").arg(name);
    if (file.outcome == "updated") return QStringLiteral("%1 is as last generated: it will be replaced.").arg(name);
    if (file.outcome == "unchanged") return QStringLiteral("%1 stays as it is.").arg(name);
    if (file.outcome == "merged")
        return QStringLiteral("Your edits of %1 and the new configuration will be merged.").arg(name);
    if (file.outcome == "conflict")
        return QStringLiteral("Your edits of %1 overlap the new configuration: your file stays as it is, "
                              "the merged text with conflict markers goes beside it as %2.merge.")
            .arg(name, leaf);
    if (file.outcome == "kept")
        return QStringLiteral("Your %1 stays; the generated one goes beside it as %2.new.").arg(name, leaf);
    if (file.outcome == "replaced")
        return QStringLiteral("No earlier generation is recorded: %1 is copied to %2.orig, then replaced.")
            .arg(name, leaf);
    return name;
}

// Additions green, removals red, hunk headers blue, file headers grey.
class DiffHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override {
        QTextCharFormat format;
        if (text.startsWith(QLatin1String("+++")) || text.startsWith(QLatin1String("---")) ||
            text.startsWith(QLatin1String("diff ")) || text.startsWith(QLatin1String("index ")) ||
            text.startsWith(QLatin1String("new file"))) {
            format.setForeground(QColor(0x60, 0x60, 0x60));
            format.setFontWeight(QFont::Bold);
        } else if (text.startsWith(QLatin1String("@@"))) {
            format.setForeground(QColor(0x1f, 0x4e, 0xa8));
        } else if (text.startsWith(QLatin1Char('+'))) {
            format.setForeground(QColor(0x1a, 0x7f, 0x37));
        } else if (text.startsWith(QLatin1Char('-'))) {
            format.setForeground(QColor(0xb3, 0x1d, 0x28));
        } else {
            return;
        }
        setFormat(0, static_cast<int>(text.size()), format);
    }
};

}  // namespace

QString OutcomeSummary(const GenerationPreview& preview) {
    QStringList parts;
    for (const char* outcome : kOutcomeOrder) {
        const auto n = std::count_if(preview.files.begin(), preview.files.end(),
                                     [&](const PreviewFile& f) { return f.outcome == outcome; });
        if (n > 0) parts << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(outcome));
    }
    return parts.join(QStringLiteral(", "));
}

GenerationPreviewDialog::GenerationPreviewDialog(const GenerationPreview& preview, QWidget* parent)
    : QDialog(parent), preview_(preview) {
    setWindowTitle(QStringLiteral("Generate Project"));
    setObjectName(QStringLiteral("GenerationPreview"));

    summary_ = new QLabel(QStringLiteral("Into %1: %2.")
                              .arg(QString::fromStdString(preview.folder), OutcomeSummary(preview)),
                          this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);

    files_ = new QTreeWidget(this);
    files_->setObjectName(QStringLiteral("files"));
    files_->setColumnCount(2);
    files_->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Outcome")});
    files_->setRootIsDecorated(false);
    files_->setUniformRowHeights(true);
    files_->header()->setStretchLastSection(false);
    files_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    files_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

    for (int i = 0; i < static_cast<int>(preview_.files.size()); ++i) order_.push_back(i);
    // What needs the user's eye first (conflicts, kept and replaced files), then the files that
    // change, then those that stay; within each group in the order of generation.
    const auto key = [&](int i) {
        const int rank = Rank(preview_.files[static_cast<std::size_t>(i)].outcome);
        if (rank <= Rank("replaced")) return rank;
        return rank == Rank("unchanged") ? 20 : 10;
    };
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return key(a) < key(b); });
    for (const int i : order_) {
        const PreviewFile& f = preview_.files[static_cast<std::size_t>(i)];
        auto* item = new QTreeWidgetItem(files_, {QString::fromStdString(f.path), QString::fromStdString(f.outcome)});
        if (Rank(f.outcome) <= Rank("replaced")) {
            QFont bold = item->font(1);
            bold.setBold(true);
            item->setFont(1, bold);
        }
        if (f.outcome == "unchanged") {
            item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
            item->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
        }
    }

    meaning_ = new QLabel(this);
    meaning_->setObjectName(QStringLiteral("meaning"));
    meaning_->setTextFormat(Qt::PlainText);
    meaning_->setWordWrap(true);

    diff_ = new QPlainTextEdit(this);
    diff_->setObjectName(QStringLiteral("diff"));
    diff_->setReadOnly(true);
    diff_->setLineWrapMode(QPlainTextEdit::NoWrap);
    diff_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    new DiffHighlighter(diff_->document());

    auto* right = new QWidget(this);
    auto* right_layout = new QVBoxLayout(right);
    right_layout->setContentsMargins(0, 0, 0, 0);
    right_layout->addWidget(meaning_);
    right_layout->addWidget(diff_, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(files_);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 5);
    splitter->setChildrenCollapsible(false);

    auto* buttons = new QDialogButtonBox(this);
    generate_ = buttons->addButton(QStringLiteral("Generate"), QDialogButtonBox::AcceptRole);
    generate_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);

    connect(files_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) ShowFile(files_->indexOfTopLevelItem(item));
    });
    if (files_->topLevelItemCount() > 0) files_->setCurrentItem(files_->topLevelItem(0));
    FitDialog(this, QSize(960, 560));
    generate_->setFocus();
}

void GenerationPreviewDialog::ShowFile(int row) {
    if (row < 0 || row >= static_cast<int>(order_.size())) return;
    const auto index = static_cast<std::size_t>(order_[static_cast<std::size_t>(row)]);
    meaning_->setText(Meaning(preview_.files[index]));
    const std::string diff = preview_.diff ? preview_.diff(index) : std::string();
    diff_->setPlainText(QString::fromUtf8(diff.data(), static_cast<qsizetype>(diff.size())));
}

}  // namespace quillon::qt
