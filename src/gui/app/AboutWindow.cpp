#include "gui/app/AboutWindow.h"

#include "app/AppState.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace vx {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Voxtrace"));
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    const QIcon themeIcon = QIcon::fromTheme("voxtrace");
    icon->setPixmap(themeIcon.pixmap(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    icon->setVisible(!themeIcon.isNull());
    auto* name = new QLabel(QStringLiteral("<b style='font-size:16pt'>Voxtrace</b>"), this);
    name->setAlignment(Qt::AlignCenter);
    auto* what = new QLabel(tr("Acoustic analysis of speech and voice"), this);
    what->setAlignment(Qt::AlignCenter);
    m_version = new QLabel(tr("Version %1").arg(QString::fromStdString(app().gstrVersion)), this);
    m_version->setObjectName("version");
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    for (QWidget* w : {static_cast<QWidget*>(icon), static_cast<QWidget*>(name), static_cast<QWidget*>(what),
                       static_cast<QWidget*>(m_version), static_cast<QWidget*>(buttons)})
        layout->addWidget(w);
    setMinimumWidth(320);
}

QString AboutWindow::versionText() const
{
    return m_version->text();
}

} // namespace vx
