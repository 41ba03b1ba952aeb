#pragma once
// The label list: a read-only table of every label of the document
// (numbered across channels and tiers) with a button that centres a main
// view on the selected label. It belongs to the document's session, closes
// with it and follows every label change of the document while shown.
//
// The table is a model over the document's labels: a row holds the label
// itself, and cell texts are made when the table asks for them.

#include "labels/Labelling.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

#include <vector>

class QPushButton;
class QTableView;

namespace vx {

class DocumentSession;
class MainWindow;

class LabelTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit LabelTableModel(const Document& doc, QObject* parent = nullptr);
    // Reads the document's labels again.
    void refill();
    const LabelListEntry* entry(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Document& m_doc;
    std::vector<LabelListEntry> m_rows;
};

class LabelView : public QWidget {
    Q_OBJECT

public:
    explicit LabelView(DocumentSession& session, QWidget* parent = nullptr);

    // Titles the window and fills the table from the document.
    void setup();
    // The main view the zoom centres.
    void settarget(MainWindow* w) { _idMainPane = w; }
    // Centres the target on the selected label; without a selection nothing.
    void zoomButton();

    QTableView& table() { return *_labelTable; }
    LabelTableModel& model() { return *m_model; }
    QPushButton& zoom() { return *m_zoom; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    DocumentSession& m_session;
    QPointer<MainWindow> _idMainPane;
    QTableView* _labelTable = nullptr;
    LabelTableModel* m_model = nullptr;
    QPushButton* m_zoom = nullptr;
};

// Opens (or brings to the front) w's label list, aimed at w's view.
LabelView* showLabelView(MainWindow& w, QPointer<LabelView>& slot);

} // namespace vx
