#include "gui/log/LogViewController.h"

#include "gui/app/DocumentController.h"
#include "gui/platform/LocalPath.h"
#include "log/LogFile.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenuBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace vx {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

constexpr int kMinimumColumnWidth = 5;

} // namespace

void LogTableModel::replace(LogTable table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
    emit dirtyChanged();
}

void LogTableModel::append(const std::vector<LogEntry>& rows)
{
    if (rows.empty())
        return;
    std::size_t widest = 0;
    for (const LogEntry& e : rows)
        widest = std::max(widest, e.values.size());
    const int missing = static_cast<int>(widest) - m_table.entryColumnCount();
    if (missing > 0) {
        // New entry columns go in before the comment column.
        const int at = m_table.columnCount() - 1;
        beginInsertColumns({}, at, at + missing - 1);
        m_table.ensureEntryColumns(static_cast<int>(widest));
        endInsertColumns();
    }
    const int first = static_cast<int>(m_table.rowCount());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (const LogEntry& e : rows)
        m_table.AddLog(e);
    endInsertRows();
    emit dirtyChanged();
}

void LogTableModel::deleteRows(const std::vector<int>& rows)
{
    std::vector<int> sorted(rows);
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    // From the bottom up, a run of neighbouring rows at a time.
    for (std::size_t k = 0; k < sorted.size();) {
        std::size_t j = k;
        while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] - 1)
            ++j;
        const int first = sorted[j], last = sorted[k];
        beginRemoveRows({}, first, last);
        m_table.removeRows(static_cast<std::size_t>(first), static_cast<std::size_t>(last - first + 1));
        endRemoveRows();
        k = j + 1;
    }
    if (!sorted.empty()) {
        // The row numbers below the removed rows have changed.
        emit dataChanged(index(0, 0), index(std::max(0, rowCount() - 1), 0));
        emit dirtyChanged();
    }
}

int LogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.rowCount());
}

int LogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.columnCount();
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return qs(m_table.cell(row, index.column()));
    case Qt::TextAlignmentRole:
        return m_table.column(index.column()).rightAligned || index.column() == 0
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

bool LogTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    const bool wasDirty = m_table.isDirty();
    if (!m_table.setCell(static_cast<std::size_t>(index.row()), index.column(), value.toString().toStdString()))
        return false;
    emit dataChanged(index, index);
    if (!wasDirty)
        emit dirtyChanged();
    return true;
}

Qt::ItemFlags LogTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (!m_table.editable(index.column()))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_table.columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return qs(m_table.column(section).title);
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignCenter);
    return {};
}

LogViewController::LogViewController(DocumentController& app) : m_app(app)
{
    setWindowFlag(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);

    m_model = new LogTableModel(this);
    _logTable = new QTableView(this);
    _logTable->setModel(m_model);
    _logTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    _logTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    _logTable->setWordWrap(false);
    _logTable->verticalHeader()->hide();
    // Every row is one line high: the view never measures rows, however
    // long the log.
    _logTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    _logTable->verticalHeader()->setDefaultSectionSize(_logTable->fontMetrics().height() + 6);
    QHeaderView* header = _logTable->horizontalHeader();
    header->setMinimumSectionSize(kMinimumColumnWidth);
    // Rows are written in the table's column order, so the header must
    // keep labelling its column.
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    layout->addWidget(_logTable);

    m_menus = std::make_unique<CommandMenus>(this, bar, [this] {
        return std::vector<CommandResponder*>{this, &m_app};
    });
    connect(m_model, &LogTableModel::dirtyChanged, this, [this] { setWindowModified(log().isDirty()); });
    connect(m_model, &QAbstractItemModel::columnsInserted, this, [this] { applyColumnWidths(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { applyColumnWidths(); });
    resize(800, 300);
    updateTitle(tr("Untitled"));
    applyColumnWidths();
}

LogViewController::~LogViewController() = default;

void LogViewController::applyColumnWidths()
{
    for (int c = 0; c < log().columnCount(); ++c)
        _logTable->setColumnWidth(c, std::max(kMinimumColumnWidth, log().column(c).width));
}

void LogViewController::updateTitle(const QString& name)
{
    setWindowTitle(name + "[*]");
    setWindowModified(log().isDirty());
}

void LogViewController::newLog()
{
    m_model->replace(LogTable());
    updateTitle(tr("Untitled"));
}

bool LogViewController::openLog(const QString& path)
{
    LogReadResult r = readLog(localPath(path));
    if (!r.table) {
        m_app.dialogs().showError(isVisible() ? this : QApplication::activeWindow(), tr("Open Log"),
                                  tr("The file \"%1\" could not be opened as a measurement log.")
                                      .arg(QFileInfo(path).fileName()),
                                  qs(r.error));
        return false;
    }
    m_model->replace(std::move(*r.table));
    updateTitle(QFileInfo(path).fileName());
    return true;
}

void LogViewController::AddLog(const std::vector<LogEntry>& rows)
{
    if (rows.empty())
        return;
    m_model->append(rows);
    _logTable->scrollToBottom();
}

bool LogViewController::saveTo(const QString& path)
{
    std::string why;
    LogTable& t = m_model->editableTable();
    if (!saveLog(t, localPath(path), &why)) {
        m_app.dialogs().showError(this, tr("Save Log"),
                                  tr("The log could not be saved to \"%1\".").arg(QFileInfo(path).fileName()),
                                  qs(why));
        return false;
    }
    setWindowModified(false);
    return true;
}

bool LogViewController::Save()
{
    if (log().m_strFilePath.size() > 1)
        return saveTo(qs(log().m_strFilePath));
    return SaveAs();
}

bool LogViewController::SaveAs()
{
    const QString path = m_app.dialogs().saveFile(this, "logFile.txt", "txt");
    if (path.isEmpty())
        return false;
    if (!saveTo(path))
        return false;
    updateTitle(QFileInfo(path).fileName());
    return true;
}

QString LogViewController::selectedText() const
{
    const QModelIndexList cells = _logTable->selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return {};
    std::set<int> rows, columns;
    for (const QModelIndex& i : cells) {
        rows.insert(i.row());
        columns.insert(i.column());
    }
    QString out;
    for (const int r : rows) {
        QStringList line;
        for (const int c : columns)
            line << (_logTable->selectionModel()->isSelected(m_model->index(r, c))
                         ? qs(logCellText(log().cell(static_cast<std::size_t>(r), c)))
                         : QString());
        out += line.join('\t') + '\n';
    }
    return out;
}

void LogViewController::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void LogViewController::deleteSelectedRows()
{
    std::vector<int> rows;
    for (const QModelIndex& i : _logTable->selectionModel()->selectedIndexes())
        rows.push_back(i.row());
    m_model->deleteRows(rows);
}

std::optional<bool> LogViewController::commandEnabled(Command id) const
{
    const bool anySelected = _logTable->selectionModel() && _logTable->selectionModel()->hasSelection();
    switch (id) {
    case Command::Save: return isVisible() && log().isDirty();
    case Command::SaveAs: return isVisible() && hasFile();
    case Command::Close: return true;
    case Command::Copy:
    case Command::DeleteRows: return anySelected;
    case Command::SelectAll: return log().rowCount() > 0;
    default: return std::nullopt;
    }
}

void LogViewController::runCommand(Command id)
{
    switch (id) {
    case Command::Save: Save(); break;
    case Command::SaveAs: SaveAs(); break;
    case Command::Close: close(); break;
    case Command::Copy: copySelection(); break;
    case Command::DeleteRows: deleteSelectedRows(); break;
    case Command::SelectAll: _logTable->selectAll(); break;
    default: break;
    }
}

void LogViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    emit m_app.logShownOrHidden();
}

void LogViewController::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit m_app.logShownOrHidden();
}

void LogViewController::closeEvent(QCloseEvent* event)
{
    if (!log().isDirty()) {
        event->accept();
        return;
    }
    AlertSpec question;
    question.title = "Save changes before closing?";
    question.buttons = {"Save", "Don't save", "Cancel"};
    switch (m_app.dialogs().alert(question)) {
    case 1:
        if (Save())
            event->accept();
        else
            event->ignore();
        break;
    case 0: event->accept(); break;
    default: event->ignore(); break;
    }
}

} // namespace vx
