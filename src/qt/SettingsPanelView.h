// The right-hand side of the window: the "Settings" group with the fixed control set of the
// settings panel and the "Code Size" group. Every control is created once and then shown,
// hidden, enabled and filled from the SettingsPanel model; the user's edits go back to the
// window as routed events. The layout keeps its shape whatever a node shows, so nothing jumps
// while the selection moves through the tree.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "wizard/WizardDialog.h"

class QAction;
class QGroupBox;
class QLabel;
class QScrollArea;
class QStackedWidget;

namespace quillon::qt {

class SettingsPanelView : public QWidget {
    Q_OBJECT
public:
    SettingsPanelView(WizardDialog& wizard, QWidget* parent = nullptr);

    void SyncFromModel();

    // The note shown under the row of control `id`, or null when that row has no note place.
    QLabel* NoteLabel(int id) const;

    // The widget of control `id` (object name "controlNNNN"), or null.
    QWidget* ControlWidget(int id) const;
    template <typename T>
    T* Control(int id) const {
        return qobject_cast<T*>(ControlWidget(id));
    }
    // The "Code Size" group; the window may place it elsewhere.
    QGroupBox* CodeSizeGroup() const { return code_size_; }
    // What a node whose page shows nothing holds, in place of the controls: the choices and
    // values below it, each name a link ("node:N") that selects its node.
    QLabel* Summary() const { return summary_; }
    bool ShowsSummary() const;

private:
    QWidget* Create(const PanelControl& control);
    void Sync(const PanelControl& control, QWidget* widget);
    static void MarkUnstored(QWidget* widget, bool unstored);
    void OnButton(int id);
    void BuildSettingsGroup(QWidget* group);
    void BuildCodeSizeGroup(QGroupBox* group);
    void SyncXdata();
    QWidget* CreateNoteSlot(int n, QWidget* parent);
    void SyncNotes();
    // Whether the panel still fits its room with the note places of the page (`in_use`) shown,
    // `height` high each.
    bool NotesFit(const std::array<bool, 4>& in_use, int height);
    void TakeFocusRequest();
    void SyncSummary();
    QString SummaryHtml(OptionNode node) const;

    WizardDialog& wizard_;
    QGroupBox* code_size_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QScrollArea* summary_area_ = nullptr;
    QLabel* summary_ = nullptr;
    std::map<int, QWidget*> widgets_;
    // Row widgets and the controls in them (the first value with its button, the two rows of
    // MAC bytes); a row is shown while any of its controls is.
    std::vector<std::pair<QWidget*, std::vector<int>>> rows_;
    // The notes of the typed values, one place under each value row (objects "note1" to
    // "note4" with the text in "noteText1" ...): the first under value 1 and the destination
    // MAC bytes, the second under value 2 and the source MAC bytes. A place is kept free under
    // each row the page shows, note or not. A value edit with a note also shows a warning mark
    // at its end.
    std::array<QWidget*, 4> note_slots_{};
    std::array<QLabel*, 4> note_texts_{};
    std::array<QLabel*, 4> note_icons_{};
    // The node whose page the note places were last laid out for.
    std::optional<OptionNode> notes_page_;
    // The height kept free under each field of the page; 0 where the panel has no room for it.
    int reserved_height_ = 0;
    std::map<int, QAction*> note_marks_;
    // The last focus request of the window this view has carried out.
    std::uint64_t focus_serial_ = 0;
};

}  // namespace quillon::qt
