#pragma once

#include "store/page_design.h"
#include "store/session.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace brela {

// "Diseño de página": the sheet's size, margins, pitch, item order and
// printer model of the working copy.
class frmPropiedades : public QDialog {
    Q_OBJECT
public:
    explicit frmPropiedades(Session& session, QWidget* parent = nullptr);

    // Called once the values are stored; `modified` when the operator
    // changed anything the saved form does not have yet.
    void setAcceptedHandler(std::function<void(bool modified)> handler) { accepted_ = std::move(handler); }
    // Runs the page's write as one undo step.
    using Recorder = std::function<bool(const QString& text, const std::function<bool()>& write)>;
    void setRecorder(Recorder recorder) { recorder_ = std::move(recorder); }

    // Fills the window from the working copy.
    void Form_Activate();
    // Leaving a list whose entry changed asks first; false keeps the focus in it.
    bool leaveList(int index);
    void Command1_Click(int index);

    QLineEdit* text(int index) const { return text_[index]; }
    QScrollBar* spin(int index) const { return spin_[index]; }
    QLabel* conversion(int index) const { return conversion_[index]; }
    QComboBox* list(int index) const { return combo_[index]; }
    QLabel* nameLabel() const { return name_; }
    bool changed() const { return changed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void leaveText(int index);
    void spinMoved(int index, int position);
    void showConversion(int index);
    qint16 chosenCpi() const;

    Session& session_;
    std::function<void(bool)> accepted_;
    Recorder recorder_;
    QLabel* name_;
    QLineEdit* text_[8] = {};
    QScrollBar* spin_[8] = {};
    QLabel* conversion_[8] = {};
    QComboBox* combo_[11] = {};
    QPushButton* command_[2] = {};
    int confirmed_[11] = {}; // the entry each list had when last agreed to
    FormRow stored_;
    bool changed_ = false;
    bool filling_ = false;
    bool asking_ = false;
    bool filled_ = false;
};

} // namespace brela
