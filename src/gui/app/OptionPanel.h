#pragma once
// The option panels: one window-modal dialog per option group, built from
// the group's field table (app/Options.h). Nothing is applied before OK;
// OK checks every value with the group's check and keeps the panel open,
// naming the field, when one is refused. The FFT/LPC and spectrogram
// panels correct an applied window or a frequency range the rate does not
// allow after saying so ("Correct it").
//
// setup fills the controls, values reads them back, so that a test drives
// the panel without an event loop.

#include "app/Options.h"

#include <QDialog>

#include <optional>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;

namespace vx {

class Dialogs;
class DocumentSession;

class OptionPanel : public QDialog {
    Q_OBJECT

public:
    // R: the analysis rate the window lengths and limits are shown for.
    OptionPanel(OptionGroup group, double R, Dialogs& dialogs, QWidget* parent = nullptr);

    void setup(const OptionValues& v);
    // The controls' values as they stand; nothing (and message() says why)
    // when a field does not hold a number.
    std::optional<OptionValues> values();
    // What OK accepted.
    const OptionValues& chosen() const { return m_result; }

    // The control of a field, by its member's name (a QCheckBox, a
    // QLineEdit, a QComboBox, or the first radio button of a pair).
    QWidget* control(const char* name) const;
    QPushButton& ok() { return *m_ok; }
    QPushButton& cancel() { return *m_cancel; }
    QPushButton* defaults() { return m_default; }
    QString message() const;

private:
    void okButton();
    void defaultButton();
    void windowLengthChosen(int index);
    void showProblem(const OptionProblem& p);

    OptionGroup m_group;
    double m_rate;
    Dialogs& m_dialogs;
    OptionValues m_shown;  // hidden fields keep these
    OptionValues m_result;
    std::vector<QWidget*> m_controls;      // one per field; null when hidden
    std::vector<QButtonGroup*> m_pairs;    // one per field; null unless a pair
    QLabel* m_message = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_default = nullptr;
};

// The option command of a group: runs its panel on the session's document
// (parented to `parent`), and on OK changes the document's group through the
// session and writes the group's fields to the settings file, saying so
// when that write fails. Returns whether OK applied the values.
bool runOptionPanel(DocumentSession& session, OptionGroup group, QWidget* parent);

} // namespace vx
