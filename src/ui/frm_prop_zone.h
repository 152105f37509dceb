#pragma once

#include "store/session.h"
#include "edit/zone_editor.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace brela {

// What the zone editor moves and refreshes on the sheet view.
struct SheetBoxes {
    std::function<QWidget*(int zone)> box;                // the zone's box; null when it has none
    std::function<void(int zone, const ZoneRect&)> place; // puts a box on a rectangle
    std::function<void(bool modified)> accepted;          // redraws, marking the form modified
    // Runs the write as one undo step; without it the write just runs.
    std::function<bool(const QString& text, const std::function<bool()>& write)> record;
};

// The zone property editor: moves and resizes one zone with fourteen
// handles and edits the texts printed in it.
class FrmPropZone : public QDialog {
    Q_OBJECT
public:
    FrmPropZone(Session& session, MapaOcupacion& grid, SheetBoxes sheet, QWidget* parent = nullptr);
    ~FrmPropZone() override;

    // Loads zone `zoneId` of the working copy; false when it cannot be read
    // (the operator has been told).
    bool load(int zoneId);
    // Set once a zone is loaded, until the window closes.
    bool inUse() const { return inUse_; }

    // The page design stored new values: closes as a cancel, telling the
    // operator, since its rectangle belongs to the page as it was.
    void pageChanged();

    void Pict1_Click(int handle);
    void Command1_Click(int index);

    ZoneEditor* editor() const { return editor_.get(); }
    QToolButton* handle(int index) const { return pict_[index]; }
    QLabel* sizeLabel() const { return labSize_; }
    QLabel* minimumLabel() const { return labMin_; }
    QLabel* valueLabel(int index) const { return values_[index]; } // left, right, top, bottom
    QLineEdit* textBox(int msgId) const;
    QCheckBox* visibleBox(int msgId) const;
    QLineEdit* columnBox(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override { Command1_Click(1); }

private:
    void buildHandles(QVBoxLayout* layout);
    void buildTexts(QVBoxLayout* layout);
    void refresh();
    void restoreBox(bool geometryToo);
    bool requiredTextsFilled();

    Session& session_;
    MapaOcupacion& grid_;
    SheetBoxes sheet_;
    std::unique_ptr<ZoneEditor> editor_;
    std::vector<TextLine> lines_;
    std::vector<PairBox> pairs_;
    std::map<int, QLineEdit*> texts_;
    std::map<int, QCheckBox*> checks_;
    std::vector<QLineEdit*> pairBoxes_;
    QToolButton* pict_[14] = {};
    QLabel* labSize_ = nullptr;
    QLabel* labMin_ = nullptr;
    QLabel* values_[4] = {};
    QWidget* body_ = nullptr;
    QPointer<QWidget> box_;
    QRect boxGeometry_;
    QString boxStyle_;
    bool inUse_ = false;
    bool changed_ = false;
    bool done_ = false;
    bool checking_ = false;
};

} // namespace brela
