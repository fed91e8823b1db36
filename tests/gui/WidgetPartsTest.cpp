// The window's parts on their own: the IPv4 address control (field navigation by dot, by a full
// field, by Backspace and the arrow keys, the 255 ceiling, only the user's edits reported), the
// painted tree images at 1x and 2x, the file filters and where the program looks for its files.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QAbstractButton>
#include <QTest>

#include <QRandomGenerator>

#include <algorithm>
#include <utility>

#include "GuiTestSupport.h"
#include "qt/AddressEdit.h"
#include "qt/Artwork.h"
#include "qt/ElidedLabel.h"
#include "qt/QtPlatform.h"

using quillon::Ip4;
using quillon::qt::AddressEdit;

class WidgetPartsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        edit_ = std::make_unique<AddressEdit>();
        edit_->show();
        QVERIFY(QTest::qWaitForWindowExposed(edit_.get()));
        edit_->Field(0)->setFocus();
        edit_->Field(0)->selectAll();
    }
    void cleanup() { edit_.reset(); }

    // Whatever the texts and the width: the row never takes more than it is given while the
    // labels' minimums fit, a text that fits the width the shortened ones get stays whole, and
    // the shortened ones share alike.
    void elidedRowShortensOnlyWhatDoesNotFit() {
        QRandomGenerator random(24);
        for (int round = 0; round < 200; ++round) {
            quillon::qt::ElidedRow row;
            QList<quillon::qt::ElidedLabel*> labels;
            const int count = 1 + static_cast<int>(random.bounded(4));
            for (int i = 0; i < count; ++i) {
                auto* label = new quillon::qt::ElidedLabel;
                label->SetText(QStringLiteral("Field: "), QStringLiteral("(none) a-path/to/somewhere/settings.wp and more text ").left(static_cast<int>(1 + random.bounded(48))).repeated(1 + static_cast<int>(random.bounded(2))));
                if (random.bounded(5) == 0) label->hide();
                row.Add(label);
                labels << label;
            }
            const int width = static_cast<int>(random.bounded(1400));
            const QList<int> widths = row.Widths(width);
            row.resize(width, 24);
            row.Place();
            int used = 0;
            int least_cut = INT_MAX;
            int most_cut = 0;
            int minimums = 0;
            int shown = 0;
            for (qsizetype i = 0; i < labels.size(); ++i) {
                if (labels[i]->isHidden()) {
                    QCOMPARE(widths[i], 0);
                    continue;
                }
                ++shown;
                used += widths[i];
                minimums += labels[i]->minimumSizeHint().width();
                QVERIFY(widths[i] <= labels[i]->sizeHint().width());
                // The whole room it asks for shows the whole text.
                if (widths[i] == labels[i]->sizeHint().width()) QCOMPARE(labels[i]->ShownText(), labels[i]->FullText());
                QVERIFY(widths[i] >= labels[i]->minimumSizeHint().width());
                if (widths[i] < labels[i]->sizeHint().width() && widths[i] > labels[i]->minimumSizeHint().width()) {
                    least_cut = std::min(least_cut, widths[i]);
                    most_cut = std::max(most_cut, widths[i]);
                }
            }
            const int spacing = quillon::qt::ElidedRow::kSpacing * std::max(0, shown - 1);
            if (minimums + spacing <= width) QVERIFY(used + spacing <= width);
            if (least_cut == INT_MAX) continue;
            QVERIFY(most_cut - least_cut <= shown);  // shared alike, but for rounding
            for (qsizetype i = 0; i < labels.size(); ++i) {
                if (!labels[i]->isHidden() && labels[i]->sizeHint().width() <= least_cut) {
                    QCOMPARE(widths[i], labels[i]->sizeHint().width());
                }
            }
        }
    }

    void dotsAndFullFieldsMoveOn() {
        QSignalSpy edited(edit_.get(), &AddressEdit::addressTyped);
        quillon::qt::test::TypeAtFocus(QStringLiteral("192.168.1.20"));
        QCOMPARE(edit_->Address(), (Ip4{192, 168, 1, 20}));
        QVERIFY(edit_->Field(3)->hasFocus());
        QVERIFY(edited.count() >= 4);
        QCOMPARE(edited.last().at(0).toString(), QStringLiteral("192.168.1.20"));
        // Three digits move on without a dot; a dot in an empty field does nothing.
        edit_->Field(0)->setFocus();
        edit_->Field(0)->selectAll();
        quillon::qt::test::TypeAtFocus(QStringLiteral("010"));
        QVERIFY(edit_->Field(1)->hasFocus());
        QTest::keyClick(edit_->Field(1), Qt::Key_Delete);
        QTest::keyClick(edit_->Field(1), Qt::Key_Period);
        QVERIFY(edit_->Field(1)->hasFocus());
        QCOMPARE(edit_->Field(1)->text(), QString());
    }

    void backspaceAndArrowsCrossFields() {
        quillon::qt::test::TypeAtFocus(QStringLiteral("1.2"));
        QVERIFY(edit_->Field(1)->hasFocus());
        QTest::keyClick(edit_->Field(1), Qt::Key_Backspace);  // deletes the 2
        QVERIFY(edit_->Field(1)->hasFocus());
        QTest::keyClick(edit_->Field(1), Qt::Key_Backspace);  // at the start: back to field 0
        QVERIFY(edit_->Field(0)->hasFocus());
        QCOMPARE(edit_->Field(0)->cursorPosition(), 1);
        QTest::keyClick(edit_->Field(0), Qt::Key_Right);
        QVERIFY(edit_->Field(1)->hasFocus());
        QCOMPARE(edit_->Field(1)->cursorPosition(), 0);
        QTest::keyClick(edit_->Field(1), Qt::Key_Left);
        QVERIFY(edit_->Field(0)->hasFocus());
    }

    // An octet too large stays as typed: the window refuses to store it and says so, instead
    // of the control turning 300 into 255 behind the user's back.
    void fieldsKeepWhatIsTypedAndTakeDigitsOnly() {
        QSignalSpy edited(edit_.get(), &AddressEdit::addressTyped);
        QTest::keyClicks(edit_->Field(0), QStringLiteral("999"));
        QCOMPARE(edit_->Field(0)->text(), QStringLiteral("999"));
        QCOMPARE(edited.last().at(0).toString(), QStringLiteral("999.0.0.0"));
        edit_->Field(1)->setFocus();
        edit_->Field(1)->selectAll();
        QTest::keyClicks(edit_->Field(1), QStringLiteral("a7"));
        QCOMPARE(edit_->Field(1)->text(), QStringLiteral("7"));
        QCOMPARE(edit_->Address(), (Ip4{255, 7, 0, 0}));
    }

    void settingTheAddressIsSilent() {
        QSignalSpy edited(edit_.get(), &AddressEdit::addressTyped);
        edit_->SetAddress({10, 0, 0, 7});
        QCOMPARE(edit_->Address(), (Ip4{10, 0, 0, 7}));
        QCOMPARE(edit_->Field(3)->text(), QStringLiteral("7"));
        QCOMPARE(edited.count(), 0);
    }

    // Each scale gets its own rendering at the device size, not an enlargement.
    void treeImagesAreDrawnPerScale() {
        using quillon::TreeImage;
        const QImage one = quillon::qt::RenderTreeImage(TreeImage::On, 1.0);
        const QImage two = quillon::qt::RenderTreeImage(TreeImage::On, 2.0);
        QCOMPARE(one.size(), QSize(12, 12));
        QCOMPARE(two.size(), QSize(24, 24));
        QCOMPARE(two.devicePixelRatio(), 2.0);
        QVERIFY(two != one.scaled(24, 24));
        // The box's border is one whole device pixel wide at both scales: opaque, not blended.
        QCOMPARE(qAlpha(one.pixel(1, 6)), 255);
        QCOMPARE(qAlpha(two.pixel(3, 12)), 255);
        QCOMPARE(qAlpha(two.pixel(1, 12)), 0);
        const QPixmap at_two = quillon::qt::TreeImageIcon(TreeImage::On).pixmap(QSize(12, 12), 2.0);
        QCOMPARE(at_two.size(), QSize(24, 24));
        QVERIFY(at_two.toImage().convertToFormat(two.format()) == two);
        // The nine images differ from each other.
        for (int a = 0; a < quillon::kTreeImageCount; ++a) {
            for (int b = a + 1; b < quillon::kTreeImageCount; ++b) {
                QVERIFY(quillon::qt::RenderTreeImage(TreeImage(a), 1.0) != quillon::qt::RenderTreeImage(TreeImage(b), 1.0));
            }
        }
    }

    // In a bin/ folder the program also looks in the installed layout under its parent.
    void programLocation() {
        const quillon::WizardOptions installed = quillon::qt::WizardOptionsFor(QStringLiteral("/opt/q/bin/"));
        QCOMPARE(installed.program_dir, std::string("/opt/q/bin"));
        QCOMPARE(installed.install_prefix, std::string("/opt/q"));
        QCOMPARE(quillon::qt::WizardOptionsFor(QStringLiteral("/home/me/quillon")).install_prefix, std::string());
    }

    // Boxes carry their icon and caption (an empty one stays empty), show texts as plain text
    // and put the details (the files a generation could not write) behind the details button.
    void messageBoxes() {
        quillon::Message message;
        message.text = "Error generating project files <b>";
        message.icon = quillon::MessageIcon::Exclamation;
        message.details = {"/p/a.c: Permission denied", "/p/b.h: No space left on device"};
        auto box = quillon::qt::MakeMessageBox(message, QMessageBox::Ok, nullptr);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->windowTitle(), QStringLiteral("Quillon"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->detailedText(), QStringLiteral("/p/a.c: Permission denied\n/p/b.h: No space left on device"));
        message.caption.clear();
        message.details.clear();
        message.icon = quillon::MessageIcon::Question;
        box = quillon::qt::MakeMessageBox(message, QMessageBox::Yes | QMessageBox::No, nullptr);
        QCOMPARE(box->windowTitle(), QString());
        QCOMPARE(box->icon(), QMessageBox::Question);
        QVERIFY(box->detailedText().isEmpty());
        QVERIFY(box->button(QMessageBox::Yes) && box->button(QMessageBox::No));
    }

    // The real platform's question is a modal box with Yes and No; the answer is the button.
    void realQuestionBox() {
        quillon::qt::QtPlatform platform;
        quillon::Message question;
        question.text = "Do you want to save your settings?";
        question.icon = quillon::MessageIcon::Question;
        for (const auto& [button, expected] : {std::pair{QMessageBox::No, false}, std::pair{QMessageBox::Yes, true}}) {
            QString seen;
            quillon::qt::test::WhenModal([&, button = button](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box) {
                    modal->close();
                    return;
                }
                seen = box->text();
                box->button(button)->click();
            });
            QCOMPARE(platform.AskYesNo(question), expected);
            QCOMPARE(seen, QStringLiteral("Do you want to save your settings?"));
        }
    }

    // The save question before New, Open and Exit has Cancel too; Escape calls it off and never
    // counts as No.
    void realThreeButtonQuestion() {
        quillon::qt::QtPlatform platform;
        quillon::Message question;
        question.text = "Do you want to save your settings?";
        question.icon = quillon::MessageIcon::Question;
        for (const auto& [key, expected] :
             {std::pair{0, quillon::Answer::No}, std::pair{1, quillon::Answer::Yes}, std::pair{2, quillon::Answer::Cancel}}) {
            quillon::qt::test::WhenModal([key = key](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box) {
                    modal->close();
                    return;
                }
                if (key == 0) box->button(QMessageBox::No)->click();
                if (key == 1) box->button(QMessageBox::Yes)->click();
                if (key == 2) QTest::keyClick(box, Qt::Key_Escape);
            });
            QCOMPARE(platform.AskYesNoCancel(question), expected);
        }
    }

    // The wizard's file filter becomes Qt's name filters.
    void nameFilters() {
        QCOMPARE(quillon::qt::NameFiltersFrom("Quillon Files (*.wp)|*.wp|All Files (*.*)|*.*||"),
                 (QStringList{"Quillon Files (*.wp)", "All Files (*)"}));
        QCOMPARE(quillon::qt::NameFiltersFrom(""), (QStringList{"All Files (*)"}));
    }

    // The folder dialog takes a typed folder that is not there yet and makes it; one that
    // cannot be made is refused with a word, and the dialog stays open.
    void folderDialogMakesATypedNewFolder() {
        QTemporaryDir dir;
        quillon::qt::QtPlatform platform;
        const QString fresh = dir.filePath(QStringLiteral("new/project"));
        quillon::qt::test::WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(fresh);
            static_cast<QDialog*>(dialog)->accept();
        });
        const auto chosen = platform.BrowseForFolder("Select Project Folder", dir.path().toStdString());
        QVERIFY(chosen);
        QCOMPARE(QFileInfo(QString::fromStdString(*chosen)).canonicalFilePath(), QFileInfo(fresh).canonicalFilePath());
        QVERIFY(QFileInfo(fresh).isDir());

        // Below a plain file no folder can be made.
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QString refusal;
        quillon::qt::test::WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(dir.filePath(QStringLiteral("file/sub")));
            quillon::qt::test::WhenModal([&](QWidget* box) {
                if (auto* message = qobject_cast<QMessageBox*>(box)) refusal = message->text();
                box->close();
            });
            static_cast<QDialog*>(dialog)->accept();
            QVERIFY(dialog->isVisible());
            dialog->reject();
        });
        QVERIFY(!platform.BrowseForFolder("Select Project Folder", dir.path().toStdString()));
        QVERIFY2(refusal.startsWith(QStringLiteral("Cannot create the folder")), qPrintable(refusal));
    }

private:
    std::unique_ptr<AddressEdit> edit_;
};

int RunWidgetPartsTests(int argc, char** argv) {
    WidgetPartsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WidgetPartsTest.moc"
