#include "gui/platform/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace vx {

QStringList QtDialogs::openFiles(QWidget* parent)
{
    return QFileDialog::getOpenFileNames(parent, QObject::tr("Open"), QDir::homePath(),
                                         QObject::tr("Sound files (*.wav *.wave *.aif *.aiff *.aifc *.vxt);;All files (*)"));
}

QString QtDialogs::openLabelFile(QWidget* parent)
{
    return QFileDialog::getOpenFileName(parent, QObject::tr("Import Labels"), QDir::homePath(),
                                        QObject::tr("TextGrid files (*.TextGrid *.textgrid);;All files (*)"));
}

QString QtDialogs::openLogFile(QWidget* parent)
{
    return QFileDialog::getOpenFileName(parent, QObject::tr("Open Log"), QDir::homePath(),
                                        QObject::tr("Measurement logs (*.txt *.tsv *.tab);;All files (*)"));
}

QString QtDialogs::openConfigurationFile(QWidget* parent)
{
    return QFileDialog::getOpenFileName(parent, QObject::tr("Load Configuration"), QDir::homePath(),
                                        QObject::tr("Configurations (*.cfg);;All files (*)"));
}

QString QtDialogs::saveFile(QWidget* parent, const QString& proposedName, const QString& extension)
{
    QFileDialog dialog(parent, QObject::tr("Save"), QDir::homePath() + "/" + proposedName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(extension);
    dialog.setNameFilter(QString("*.%1").arg(extension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString name = dialog.selectedFiles().first();
    if (!name.endsWith("." + extension, Qt::CaseInsensitive))
        name += "." + extension;
    return name;
}

QString QtDialogs::savePictureFile(QWidget* parent, const QString& proposedName)
{
    const QStringList filters{QObject::tr("TIFF picture (*.tif *.tiff)"), QObject::tr("PNG picture (*.png)"),
                              QObject::tr("PDF document (*.pdf)"), QObject::tr("SVG drawing (*.svg)")};
    const QStringList suffixes{"tif", "png", "pdf", "svg"};
    QFileDialog dialog(parent, QObject::tr("Save as Picture"), QDir::homePath() + "/" + proposedName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString name = dialog.selectedFiles().first();
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix != "tiff" && !suffixes.contains(suffix))
        name += "." + suffixes.value(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())));
    return name;
}

SaveChoice QtDialogs::askSaveChanges(QWidget* parent, const QString& documentName)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("Voxtrace"),
                    QObject::tr("Do you want to save the changes to \"%1\"?").arg(documentName),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(QObject::tr("Your changes will be lost if you don't save them."));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
    }
}

void QtDialogs::showError(QWidget* parent, const QString& title, const QString& message, const QString& informative)
{
    QMessageBox box(QMessageBox::Critical, title, message, QMessageBox::Ok, parent);
    box.setInformativeText(informative);
    box.exec();
}

int QtDialogs::chooseChannel(const std::vector<std::string>& items)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QObject::tr("Channel"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QObject::tr("Select a channel"), &dialog));
    auto* popup = new QComboBox(&dialog);
    for (const std::string& item : items)
        popup->addItem(QString::fromStdString(item));
    layout->addWidget(popup);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? popup->currentIndex() : -1;
}

int QtDialogs::alert(const AlertSpec& request)
{
    // The title is the question or statement itself; the message and the
    // informative text explain it.
    QMessageBox box(QMessageBox::Warning, QObject::tr("Voxtrace"), QString::fromStdString(request.title),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QStringList details;
    for (const std::string& t : {request.message, request.informative})
        if (!t.empty())
            details << QString::fromStdString(t);
    box.setInformativeText(details.join("\n\n"));
    std::vector<QPushButton*> buttons;
    for (const std::string& b : request.buttons) {
        const bool cancel = b == "Cancel";
        buttons.push_back(box.addButton(QString::fromStdString(b), cancel ? QMessageBox::RejectRole
                                                                          : QMessageBox::AcceptRole));
        if (cancel)
            box.setEscapeButton(buttons.back());
    }
    if (!buttons.empty())
        box.setDefaultButton(buttons.front());
    box.exec();
    for (std::size_t k = 0; k < buttons.size(); ++k)
        if (box.clickedButton() == buttons[k])
            return k == 0 ? 1 : k == 1 ? 0 : -1;
    return -1;
}

QLabel* newRefusalLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setStyleSheet("color: #b00000");
    label->hide();
    return label;
}

int Dialogs::runModal(QDialog& dialog)
{
    return dialog.exec();
}

std::optional<QFont> QtDialogs::chooseFont(QWidget* parent, const QFont& initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional<QFont>(f) : std::nullopt;
}

std::optional<QColor> QtDialogs::chooseColor(QWidget* parent, const QColor& initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

} // namespace vx
