#pragma once

#include "store/session.h"
#include "ui/form_table.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace brela {

// "Abrir formulario": the stored forms in a table the operator can sort,
// search by any part of the name and filter by model, with a drawing of the
// selected form's sheet. It only chooses; the main window opens the form, or
// starts its quick configuration, as the menus do.
class frmOpenForm : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { Open, QuickConfiguration };

    frmOpenForm(Session& session, Purpose purpose, QWidget* parent = nullptr);

    // Reads the library (one query); false after telling the operator why not.
    bool load();
    // Shows only the forms of a model code ("" every model); before load(),
    // so a large library is filtered and sorted once.
    void setModelFilter(const QString& code);

    QLineEdit* searchBox() const { return search_; }
    QComboBox* modelBox() const { return model_; }
    QTableView* table() const { return view_; }
    SheetPreview* preview() const { return preview_; }
    QPushButton* chooseButton() const { return choose_; }
    QLabel* countLabel() const { return count_; }
    // The selected form; FormID 0 when none.
    FormSummary selected() const;
    // Selects the listed form `formId`; false when it is not listed.
    bool select(qint16 formId);

signals:
    // The operator chose this form; the dialog has closed.
    void chosen(qint16 formId, const QString& model);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filterChanged();
    void showFound();
    void selectionChanged();
    void choose();

    Session& session_;
    FormTable forms_;
    FormFilter filter_;
    QLineEdit* search_;
    QComboBox* model_;
    QTableView* view_;
    SheetPreview* preview_;
    QLabel* count_;
    QPushButton* choose_;
    qint16 previewed_ = 0;
};

} // namespace brela
