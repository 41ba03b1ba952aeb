#pragma once
// The tier dialog: one row per tier of channel 0 (its number, whether it is
// shown, its name). OK applies all ten rows at once, Cancel none; a name
// longer than its 255-byte field is refused, saying so, and the dialog
// stays open.

#include "document/Document.h"

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace vx {

class DocumentSession;
class Dialogs;

class tiers : public QDialog {
    Q_OBJECT

public:
    explicit tiers(QWidget* parent = nullptr);

    // Fills the rows from channel 0's tiers (empty without data).
    void setup(const Document& doc);
    // The refusal for the rows as they stand, or nothing.
    std::optional<std::string> validate() const;
    // Applies every row to channel 0's tiers; false (and nothing applied)
    // when a row is refused.
    bool save(Document& doc) const;
    // Runs the dialog through the seam; 1000 when OK applied the rows, 1001
    // otherwise.
    int startSheet(Document& doc, Dialogs& dialogs);

    QTableWidget& table() { return *_Table; }
    QPushButton& ok() { return *m_ok; }
    QPushButton& cancel() { return *m_cancel; }
    QString message() const;

private:
    void oktButton();

    QTableWidget* _Table = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The tier command: runs the dialog on the session's document and, on OK,
// has every window of the document lay out its tiers again.
int runTierDialog(DocumentSession& session, QWidget* parent);

} // namespace vx
