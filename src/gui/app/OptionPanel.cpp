#include "gui/app/OptionPanel.h"

#include "app/ConfigFile.h"
#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "gui/platform/Dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <cmath>

namespace vx {

namespace {

const char* const kGridNote = "Note\nA value of 0 will make the time grid adjust automatically to the zoomed window.\n"
                              "Grid is always displayed on the main screen but follows the selection for the print "
                              "and pict.";

bool isWindowLength(const OptionField& f)
{
    return f.kind == FieldKind::Choice && !f.itemIsValue;
}

QString numberTip(const OptionField& f)
{
    return QString::fromStdString(optionRangeText(f));
}

QString labelOf(const OptionField& f)
{
    QString text = QString::fromUtf8(f.text);
    if (f.kind == FieldKind::Whole || f.kind == FieldKind::Real)
        if (f.unit[0])
            text += QStringLiteral(" (%1)").arg(QString::fromUtf8(f.unit));
    return text;
}

} // namespace

OptionPanel::OptionPanel(OptionGroup group, double R, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_group(group), m_rate(R), m_dialogs(dialogs)
{
    setWindowTitle(tr(optionPanelTitle(group)));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    layout->addLayout(form);

    const auto fields = optionFields(group);
    m_controls.assign(fields.size(), nullptr);
    m_pairs.assign(fields.size(), nullptr);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const OptionField& f = fields[k];
        if (!f.shown())
            continue;
        QWidget* control = nullptr;
        switch (f.kind) {
        case FieldKind::Flag: {
            auto* box = new QCheckBox(QString::fromUtf8(f.text), this);
            form->addRow(QString(), box);
            control = box;
            break;
        }
        case FieldKind::Pair: {
            auto* row = new QWidget(this);
            auto* h = new QHBoxLayout(row);
            h->setContentsMargins(0, 0, 0, 0);
            auto* pair = new QButtonGroup(row);
            for (int i = 0; i < 2; ++i) {
                auto* radio = new QRadioButton(QString::fromStdString(f.items[static_cast<std::size_t>(i)]), row);
                pair->addButton(radio, i);
                h->addWidget(radio);
                if (i == 0)
                    control = radio;
            }
            h->addStretch(1);
            form->addRow(labelOf(f), row);
            m_pairs[k] = pair;
            break;
        }
        case FieldKind::Choice: {
            auto* combo = new QComboBox(this);
            if (isWindowLength(f)) {
                // " %d Hz (%d pts)": the frequency resolution and the points.
                for (int s = 0; s <= 8; ++s) {
                    const int W = windowLengthForSelector(s);
                    combo->addItem(QString::asprintf(" %d Hz (%d pts)", truncInt(R / W), W));
                }
            } else {
                for (const std::string& item : f.items)
                    combo->addItem(QString::fromStdString(item));
            }
            form->addRow(labelOf(f), combo);
            control = combo;
            break;
        }
        case FieldKind::Whole:
        case FieldKind::Real: {
            auto* edit = new QLineEdit(this);
            edit->setToolTip(numberTip(f));
            edit->setMaximumWidth(120);
            form->addRow(labelOf(f), edit);
            control = edit;
            break;
        }
        }
        control->setObjectName(QString::fromUtf8(f.name));
        m_controls[k] = control;
    }

    // The applied window follows the chosen window length; lengths whose
    // window cannot hold one millisecond at this rate are not offered.
    if (group == OptionGroup::FFTLPC) {
        auto* combo = static_cast<QComboBox*>(control("m_nFFTWindowLengthSelector"));
        auto* model = qobject_cast<QStandardItemModel*>(combo->model());
        for (int s = 0; s <= 8; ++s)
            if (longestAppliedWindow(s, R) < 1 && model)
                model->item(s)->setEnabled(false);
        connect(combo, &QComboBox::activated, this, &OptionPanel::windowLengthChosen);
    }
    if (group == OptionGroup::Spectrogram || group == OptionGroup::Pitch) {
        auto* note = new QLabel(tr(kGridNote), this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    m_message = newRefusalLabel(this);
    layout->addWidget(m_message);

    auto* buttons = new QHBoxLayout;
    if (group == OptionGroup::FFTLPC || group == OptionGroup::Spectrogram || group == OptionGroup::Pitch) {
        m_default = new QPushButton(tr("Default"), this);
        m_default->setAutoDefault(false);
        buttons->addWidget(m_default);
        connect(m_default, &QPushButton::clicked, this, &OptionPanel::defaultButton);
    }
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &OptionPanel::okButton);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* OptionPanel::control(const char* name) const
{
    const int k = optionIndex(m_group, name);
    return k < 0 ? nullptr : m_controls[static_cast<std::size_t>(k)];
}

QString OptionPanel::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void OptionPanel::setup(const OptionValues& v)
{
    m_shown = v;
    m_message->hide();
    const auto fields = optionFields(m_group);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const OptionField& f = fields[k];
        QWidget* c = m_controls[k];
        if (!c)
            continue;
        switch (f.kind) {
        case FieldKind::Flag: static_cast<QCheckBox*>(c)->setChecked(v[k] != 0); break;
        case FieldKind::Pair: {
            const bool first = (v[k] != 0) == f.firstIsTrue;
            m_pairs[k]->button(first ? 0 : 1)->setChecked(true);
            break;
        }
        case FieldKind::Choice: {
            auto* combo = static_cast<QComboBox*>(c);
            combo->setCurrentIndex(isWindowLength(f) ? truncInt(v[k])
                                                     : combo->findText(QString::fromStdString(optionValueText(f, v[k]))));
            break;
        }
        case FieldKind::Whole:
        case FieldKind::Real: static_cast<QLineEdit*>(c)->setText(QString::fromStdString(optionValueText(f, v[k])));
        }
    }
}

std::optional<OptionValues> OptionPanel::values()
{
    OptionValues v = m_shown;
    const auto fields = optionFields(m_group);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const OptionField& f = fields[k];
        QWidget* c = m_controls[k];
        if (!c)
            continue;
        switch (f.kind) {
        case FieldKind::Flag: v[k] = static_cast<QCheckBox*>(c)->isChecked() ? 1 : 0; break;
        case FieldKind::Pair: v[k] = (m_pairs[k]->checkedId() == 0) == f.firstIsTrue ? 1 : 0; break;
        case FieldKind::Choice: {
            auto* combo = static_cast<QComboBox*>(c);
            v[k] = isWindowLength(f) ? combo->currentIndex() : combo->currentText().toDouble();
            break;
        }
        case FieldKind::Whole:
        case FieldKind::Real: {
            // Numbers are written with a decimal point, whatever the locale.
            bool ok = false;
            const double x = QLocale::c().toDouble(static_cast<QLineEdit*>(c)->text().trimmed(), &ok);
            if (!ok) {
                showProblem({static_cast<int>(k),
                             std::string(optionGroupName(m_group)) + " options: " + f.text + " must be a number, "
                                 + optionRangeText(f) + ".",
                             std::nullopt});
                return std::nullopt;
            }
            v[k] = x;
        }
        }
    }
    // A window length is the one its selector stands for.
    for (auto [selector, length] : {std::pair{"m_nFFTWindowLengthSelector", "m_nFFTWindowLength"},
                                    std::pair{"m_nSpecWindowLengthSelector", "m_nSpecWindowLength"}}) {
        const int s = optionIndex(m_group, selector), n = optionIndex(m_group, length);
        if (s >= 0 && n >= 0)
            v[static_cast<std::size_t>(n)] = windowLengthForSelector(truncInt(v[static_cast<std::size_t>(s)]));
    }
    // The spectrogram's order is stored even and at most 400, as entered
    // otherwise.
    if (const int k = optionIndex(m_group, "m_nSpecLPCNumberofCoefficients"); k >= 0) {
        double& order = v[static_cast<std::size_t>(k)];
        if (std::isfinite(order) && order >= 2)
            order = std::min(static_cast<double>(truncInt(order) & ~1), 400.0);
    }
    return v;
}

void OptionPanel::okButton()
{
    const std::optional<OptionValues> v = values();
    if (!v)
        return;
    if (const auto problem = checkOptions(m_group, *v, m_rate)) {
        if (problem->corrected) {
            AlertSpec alert;
            alert.title = problem->message;
            alert.buttons = {"Correct it"};
            m_dialogs.alert(alert);
            OptionValues corrected = *v;
            corrected[static_cast<std::size_t>(problem->field)] = *problem->corrected;
            setup(corrected);
            m_controls[static_cast<std::size_t>(problem->field)]->setFocus();
            return;
        }
        showProblem(*problem);
        return;
    }
    m_result = *v;
    accept();
}

void OptionPanel::defaultButton()
{
    const std::optional<OptionValues> v = values();
    setup(defaultOptions(m_group, v ? *v : m_shown, m_rate));
}

void OptionPanel::windowLengthChosen(int index)
{
    if (auto* applied = qobject_cast<QLineEdit*>(control("m_nFFTAppliedWindowLength")))
        applied->setText(QString::number(longestAppliedWindow(index, m_rate)));
}

void OptionPanel::showProblem(const OptionProblem& p)
{
    m_message->setText(QString::fromStdString(p.message));
    m_message->show();
    if (p.field >= 0 && m_controls[static_cast<std::size_t>(p.field)])
        m_controls[static_cast<std::size_t>(p.field)]->setFocus();
}

bool runOptionPanel(DocumentSession& session, OptionGroup group, QWidget* parent)
{
    Document& doc = session.doc();
    Dialogs& dialogs = session.app().dialogs();
    OptionPanel panel(group, doc.s.m_dAnalysisSampleRate, dialogs, parent);
    panel.setup(readOptions(group, doc));
    if (dialogs.runModal(panel) != QDialog::Accepted)
        return false;
    session.changeSettings(group, [&](Document& d) { writeOptions(group, panel.chosen(), d); });
    std::string error;
    if (!updateLegacyConfig(doc, group, &error) && !error.empty())
        dialogs.showError(parent, QObject::tr("Options"),
                          QObject::tr("The configuration could not be saved: %1").arg(QString::fromStdString(error)));
    return true;
}

} // namespace vx
