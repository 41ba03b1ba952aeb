#include "gui/labels/LabelView.h"

#include "gui/app/DocumentSession.h"
#include "gui/mainview/MainWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vx {

LabelTableModel::LabelTableModel(const Document& doc, QObject* parent) : QAbstractTableModel(parent), m_doc(doc) {}

void LabelTableModel::refill()
{
    beginResetModel();
    m_rows = listLabels(m_doc);
    endResetModel();
}

const LabelListEntry* LabelTableModel::entry(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
}

int LabelTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LabelTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kLabelListColumns;
}

QVariant LabelTableModel::data(const QModelIndex& index, int role) const
{
    const LabelListEntry* e = entry(index.row());
    if (!e)
        return {};
    const auto column = static_cast<LabelListColumn>(index.column());
    if (role == Qt::DisplayRole)
        return QString::fromStdString(labelListCell(m_doc, *e, index.row(), column));
    if (role == Qt::TextAlignmentRole && column == LabelListColumn::Time)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant LabelTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kLabelListColumns)
        return {};
    return QString::fromUtf8(labelListTitle(static_cast<LabelListColumn>(section)));
}

LabelView::LabelView(DocumentSession& session, QWidget* parent) : QWidget(parent, Qt::Window), m_session(session)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_session.addWindow(this);
    auto* layout = new QVBoxLayout(this);
    m_model = new LabelTableModel(m_session.doc(), this);
    _labelTable = new QTableView(this);
    _labelTable->setModel(m_model);
    _labelTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    _labelTable->setSelectionMode(QAbstractItemView::SingleSelection);
    _labelTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _labelTable->verticalHeader()->hide();
    // Rows all have one height: the view need not measure 50 000 of them.
    _labelTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    _labelTable->verticalHeader()->setDefaultSectionSize(_labelTable->fontMetrics().height() + 6);
    QHeaderView* h = _labelTable->horizontalHeader();
    h->setMinimumSectionSize(5);
    h->setDefaultAlignment(Qt::AlignCenter);
    h->setStretchLastSection(true);
    const int widths[] = {50, 120, 160, 90};
    for (int c = 0; c < kLabelListColumns; ++c)
        _labelTable->setColumnWidth(c, widths[c]);
    layout->addWidget(_labelTable, 1);
    auto* buttons = new QHBoxLayout;
    m_zoom = new QPushButton(tr("Zoom"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_zoom);
    layout->addLayout(buttons);
    resize(480, 420);

    connect(m_zoom, &QPushButton::clicked, this, &LabelView::zoomButton);
    connect(_labelTable, &QTableView::doubleClicked, this, &LabelView::zoomButton);
    connect(&m_session, &DocumentSession::labelsChanged, this, [this] {
        if (isVisible())
            setup();
    });
    connect(&m_session, &DocumentSession::fileNameChanged, this, &LabelView::setup);
}

void LabelView::setup()
{
    setWindowTitle("Labels::" + m_session.title());
    const int selected = _labelTable->currentIndex().row();
    m_model->refill();
    if (selected >= 0 && selected < m_model->rowCount())
        _labelTable->selectRow(selected);
}

void LabelView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setup();
}

void LabelView::zoomButton()
{
    const QModelIndexList rows = _labelTable->selectionModel()->selectedRows();
    if (rows.isEmpty() || !_idMainPane)
        return;
    const LabelListEntry* e = m_model->entry(rows.front().row());
    if (!e || !e->label)
        return;
    _idMainPane->view().jumpToLabel(e->label->dTime);
}

LabelView* showLabelView(MainWindow& w, QPointer<LabelView>& slot)
{
    if (!slot)
        slot = new LabelView(w.session());
    slot->settarget(&w);
    if (slot->isVisible())
        slot->setup();
    else
        slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

} // namespace vx
