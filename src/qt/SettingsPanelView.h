// The right-hand side of the window: the "Settings" group with the fixed control set of the
// settings panel and the "Code Size" group. Every control is created once and then shown,
// hidden, enabled and filled from the SettingsPanel model; the user's edits go back to the
// window as routed events. The layout keeps its shape whatever a node shows, so nothing jumps
// while the selection moves through the tree.
#pragma once

#include <QWidget>

#include <map>
#include <utility>
#include <vector>

#include "wizard/WizardDialog.h"

class QGroupBox;

namespace quillon::qt {

class SettingsPanelView : public QWidget {
    Q_OBJECT
public:
    SettingsPanelView(WizardDialog& wizard, QWidget* parent = nullptr);

    void SyncFromModel();

    // The widget of control `id` (object name "controlNNNN"), or null.
    QWidget* ControlWidget(int id) const;
    template <typename T>
    T* Control(int id) const {
        return qobject_cast<T*>(ControlWidget(id));
    }

private:
    QWidget* Create(const PanelControl& control);
    void Sync(const PanelControl& control, QWidget* widget);
    void OnButton(int id);
    void BuildSettingsGroup(QGroupBox* group);
    void BuildCodeSizeGroup(QGroupBox* group);

    WizardDialog& wizard_;
    std::map<int, QWidget*> widgets_;
    // Row widgets and the controls in them (the first value with its button, the two rows of
    // MAC bytes); a row is shown while any of its controls is.
    std::vector<std::pair<QWidget*, std::vector<int>>> rows_;
};

}  // namespace quillon::qt
