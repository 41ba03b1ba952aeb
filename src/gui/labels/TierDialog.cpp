#include "gui/labels/TierDialog.h"

#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "gui/platform/Dialogs.h"
#include "labels/Labelling.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vx {

namespace {

enum { kNumberColumn, kShownColumn, kNameColumn };

} // namespace

tiers::tiers(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Tiers"));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    _Table = new QTableWidget(0, 3, this);
    _Table->setHorizontalHeaderLabels({"", "Tiers", "Name"});
    _Table->verticalHeader()->hide();
    _Table->horizontalHeader()->setMinimumSectionSize(5);
    _Table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    _Table->horizontalHeader()->setStretchLastSection(true);
    _Table->setColumnWidth(kNumberColumn, 30);
    _Table->setColumnWidth(kShownColumn, 45);
    _Table->setColumnWidth(kNameColumn, 400);
    _Table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(_Table, 1);
    m_message = newRefusalLabel(this);
    layout->addWidget(m_message);
    auto* buttons = new QHBoxLayout;
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);
    resize(520, 400);
    connect(m_ok, &QPushButton::clicked, this, &tiers::oktButton);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void tiers::setup(const Document& doc)
{
    _Table->setRowCount(0);
    m_message->hide();
    if (!doc.m_bHaveData)
        return;
    const Channels& c = doc.getChannel(0);
    _Table->setRowCount(Channels::kNumTiers);
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        const TIERS& t = c.m_Tiers[static_cast<std::size_t>(i)];
        auto* number = new QTableWidgetItem(QString::number(i + 1));
        number->setFlags(Qt::ItemIsEnabled);
        number->setTextAlignment(Qt::AlignCenter);
        auto* shown = new QTableWidgetItem;
        shown->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        shown->setCheckState(t.bSelected ? Qt::Checked : Qt::Unchecked);
        auto* name = new QTableWidgetItem(QString::fromStdString(t.strName));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        _Table->setItem(i, kNumberColumn, number);
        _Table->setItem(i, kShownColumn, shown);
        _Table->setItem(i, kNameColumn, name);
    }
}

std::optional<std::string> tiers::validate() const
{
    for (int i = 0; i < _Table->rowCount(); ++i) {
        const QTableWidgetItem* name = _Table->item(i, kNameColumn);
        const std::string text = name ? name->text().toStdString() : std::string();
        if (auto refusal = checkFieldLength(text, "name of tier " + std::to_string(i + 1)))
            return refusal;
    }
    return std::nullopt;
}

bool tiers::save(Document& doc) const
{
    if (validate() || _Table->rowCount() != Channels::kNumTiers)
        return false;
    Channels& c = doc.getChannel(0);
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        TIERS& t = c.m_Tiers[static_cast<std::size_t>(i)];
        t.bSelected = _Table->item(i, kShownColumn)->checkState() == Qt::Checked;
        t.setLevelName(_Table->item(i, kNameColumn)->text().toStdString());
    }
    return true;
}

QString tiers::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void tiers::oktButton()
{
    if (const auto refusal = validate()) {
        m_message->setText(QString::fromStdString(*refusal));
        m_message->show();
        return;
    }
    accept();
}

int tiers::startSheet(Document& doc, Dialogs& dialogs)
{
    setup(doc);
    const int result = dialogs.runModal(*this);
    close();
    return result == QDialog::Accepted && save(doc) ? 1000 : 1001;
}

int runTierDialog(DocumentSession& session, QWidget* parent)
{
    tiers dialog(parent);
    auto namesAndShown = [&session] {
        std::vector<std::pair<std::string, bool>> out;
        for (const TIERS& t : session.doc().getChannel(0).m_Tiers)
            out.emplace_back(t.strName, t.bSelected);
        return out;
    };
    const auto before = namesAndShown();
    const int answer = dialog.startSheet(session.doc(), session.app().dialogs());
    // An OK that changed nothing leaves the document unchanged.
    if (answer == 1000 && namesAndShown() != before) {
        session.labelsEdited(nullptr);
        session.markChanged();
    }
    return answer;
}

} // namespace vx
