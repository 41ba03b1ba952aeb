#pragma once
// The questions the windows put to the user, behind one interface: the Qt
// implementation shows dialogs; tests script the answers.

#include "platform/Interaction.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QLabel;
class QWidget;

namespace vx {

enum class SaveChoice { Save, Discard, Cancel };

class Dialogs : public UserInteraction {
public:
    // Files to open; empty when the user cancels.
    virtual QStringList openFiles(QWidget* parent) = 0;
    // A file name to save to, with the required extension (without dot);
    // empty when the user cancels.
    virtual QString saveFile(QWidget* parent, const QString& proposedName, const QString& extension) = 0;
    // Where to save a picture: a .tif, .tiff, .png, .pdf or .svg name
    // (proposedName in the home folder at first); empty when cancelled.
    virtual QString savePictureFile(QWidget* parent, const QString& proposedName) = 0;
    // A label file (TextGrid) to import; empty when the user cancels.
    virtual QString openLabelFile(QWidget* parent) = 0;
    // A measurement log to open; empty when the user cancels.
    virtual QString openLogFile(QWidget* parent) = 0;
    // A configuration file to load; empty when the user cancels.
    virtual QString openConfigurationFile(QWidget* parent) = 0;
    virtual SaveChoice askSaveChanges(QWidget* parent, const QString& documentName) = 0;
    virtual void showError(QWidget* parent, const QString& title, const QString& message,
                           const QString& informative = {}) = 0;
    // Runs a dialog modally; its result (QDialog::Accepted or Rejected).
    // Tests answer by changing the controls and pressing its buttons.
    virtual int runModal(QDialog& dialog);
    // A font or colour from the user; nothing when cancelled.
    virtual std::optional<QFont> chooseFont(QWidget*, const QFont&) { return std::nullopt; }
    virtual std::optional<QColor> chooseColor(QWidget*, const QColor&) { return std::nullopt; }
};

// The line under a dialog's fields that says why OK refused them: red,
// wrapped, hidden until there is something to say.
QLabel* newRefusalLabel(QWidget* parent);

class QtDialogs : public Dialogs {
public:
    QStringList openFiles(QWidget* parent) override;
    QString saveFile(QWidget* parent, const QString& proposedName, const QString& extension) override;
    QString savePictureFile(QWidget* parent, const QString& proposedName) override;
    QString openLabelFile(QWidget* parent) override;
    QString openLogFile(QWidget* parent) override;
    QString openConfigurationFile(QWidget* parent) override;
    SaveChoice askSaveChanges(QWidget* parent, const QString& documentName) override;
    void showError(QWidget* parent, const QString& title, const QString& message,
                   const QString& informative = {}) override;
    int chooseChannel(const std::vector<std::string>& items) override;
    int alert(const AlertSpec& request) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
};

} // namespace vx
