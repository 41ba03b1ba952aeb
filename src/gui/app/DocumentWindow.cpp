#include "gui/app/DocumentWindow.h"

#include "gui/app/DocumentController.h"

#include <QGridLayout>
#include <QMenuBar>
#include <QVBoxLayout>

namespace vx {

DocumentWindow::DocumentWindow(DocumentSession& session, const QString& kind)
    : QWidget(nullptr), m_session(session), m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_session.addWindow(this);
    m_session.addReader(this);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    auto* bar = new QMenuBar(this);
    m_layout->setMenuBar(bar);
    m_menus = std::make_unique<CommandMenus>(this, bar, [this] { return route(); });
    m_progress.setInterval(500);
    connect(&m_progress, &QTimer::timeout, this, [this] { showProgress(); });
    connect(&m_session, &DocumentSession::fileNameChanged, this, &DocumentWindow::updateTitle);
    connect(&m_session.app(), &DocumentController::logShownOrHidden, this, [this] { m_menus->update(); });
    connect(&m_session, &DocumentSession::selectionChanged, this, [this] { m_menus->update(); });
}

DocumentWindow::~DocumentWindow()
{
    m_session.removeReader(this);
}

void DocumentWindow::addReadouts(const std::vector<const char*>& names, int perRow, int minimumValueWidth)
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(6);
    for (std::size_t k = 0; k < names.size(); ++k) {
        const int row = static_cast<int>(k) / perRow, column = (static_cast<int>(k) % perRow) * 2;
        grid->addWidget(new QLabel(tr(names[k]) + ":", this), row, column, Qt::AlignRight);
        auto* value = new QLabel(this);
        value->setMinimumWidth(minimumValueWidth);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, column + 1);
        m_readouts[names[k]] = value;
    }
    grid->setColumnStretch(perRow * 2, 1);
    m_layout->addLayout(grid);
}

void DocumentWindow::setReadout(const QString& name, const QString& text)
{
    if (auto it = m_readouts.find(name); it != m_readouts.end())
        it->second->setText(text);
}

QString DocumentWindow::readout(const QString& name) const
{
    auto it = m_readouts.find(name);
    return it == m_readouts.end() ? QString() : it->second->text();
}

void DocumentWindow::addView(QWidget* view)
{
    m_view = view;
    m_layout->addWidget(view, 1);
}

void DocumentWindow::addRow(QWidget* row)
{
    m_layout->addWidget(row);
}

void DocumentWindow::showProgress()
{
    if (m_view)
        m_view->update();
}

QString DocumentWindow::titleText() const
{
    return m_kind + m_session.title();
}

void DocumentWindow::updateTitle()
{
    setWindowTitle(titleText());
}

std::vector<CommandResponder*> DocumentWindow::route()
{
    return m_session.route(this, this);
}

} // namespace vx
