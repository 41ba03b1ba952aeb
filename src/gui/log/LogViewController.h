#pragma once
// The measurement log window: one for the application, not tied to a
// document. It shows the log's table, lets the user edit cells, delete rows
// and copy cells, saves the log as a tab-separated text file and asks
// before unsaved rows are closed away. Views add rows through AddLog while
// the window is shown.
//
// The table view is a model over the log's columns of strings: cell texts
// are made only for the cells on screen, so a long log opens and grows
// quickly.

#include "gui/app/Commands.h"
#include "log/LogTable.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <memory>
#include <vector>

class QTableView;

namespace vx {

class DocumentController;

class LogTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit LogTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    const LogTable& table() const { return m_table; }
    // Shows another table in place of this one.
    void replace(LogTable table);
    // Appends rows, adding the entry columns they need first.
    void append(const std::vector<LogEntry>& rows);
    void deleteRows(const std::vector<int>& rows);
    LogTable& editableTable() { return m_table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void dirtyChanged();

private:
    LogTable m_table;
};

class LogViewController : public QWidget, public CommandResponder {
    Q_OBJECT

public:
    explicit LogViewController(DocumentController& app);
    ~LogViewController() override;

    const LogTable& log() const { return m_model->table(); }
    LogTableModel& model() { return *m_model; }
    QTableView& table() { return *_logTable; }
    CommandMenus& menus() { return *m_menus; }

    // Starts an empty log with the four fixed columns, titled "Untitled".
    void newLog();
    // Replaces the log with the file's; a file that is not a log leaves the
    // log as it was, and the alert says why. Whether it was read.
    bool openLog(const QString& path);
    // Appends the rows and shows the last one.
    void AddLog(const std::vector<LogEntry>& rows);
    // Save: to the log's file, or through Save As for a log never saved.
    // Whether the log was written.
    bool Save();
    bool SaveAs();
    // Read from or saved to a file: only then is Save As offered (a new log
    // is saved through Save first).
    bool hasFile() const { return !log().m_strFilePath.empty(); }
    // The selected cells as tab-separated lines.
    QString selectedText() const;
    void copySelection();
    void deleteSelectedRows();

    std::optional<bool> commandEnabled(Command id) const override;
    void runCommand(Command id) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool saveTo(const QString& path);
    void applyColumnWidths();
    void updateTitle(const QString& name);

    DocumentController& m_app;
    LogTableModel* m_model = nullptr;
    QTableView* _logTable = nullptr;
    std::unique_ptr<CommandMenus> m_menus;
};

} // namespace vx
