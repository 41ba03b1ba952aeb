#include "gui/labels/LabelEditor.h"

#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "draw/GraphPrimitives.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/Dialogs.h"
#include "labels/Labelling.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vx {

namespace {

QPointer<labelController>& sharedSlot()
{
    static QPointer<labelController> editor;
    return editor;
}

QFont toQFont(const LabelFont& f)
{
    QFont q(QString::fromStdString(f.family));
    q.setPointSizeF(std::max(1.0, f.pointSize));
    q.setBold(f.weight > 8);
    q.setItalic(f.italic);
    return q;
}

LabelFont fromQFont(const QFont& q)
{
    return {q.family().toStdString(), q.pointSizeF() > 0 ? q.pointSizeF() : 12.0, q.bold() ? 9 : 5, q.italic()};
}

RGBColor fromQColor(const QColor& c)
{
    const QRgba64 v = c.rgba64();
    return {v.red(), v.green(), v.blue()};
}

} // namespace

labelController& labelController::shared()
{
    QPointer<labelController>& slot = sharedSlot();
    if (!slot) {
        slot = new labelController;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, slot.data(), &QObject::deleteLater);
    }
    return *slot;
}

labelController* labelController::existing()
{
    return sharedSlot().data();
}

labelController::labelController() : QWidget(nullptr, Qt::Tool)
{
    setWindowTitle(tr("Label"));
    auto* layout = new QVBoxLayout(this);
    mLabelText = new QLineEdit(this);
    mLabelText->setMinimumWidth(320);
    layout->addWidget(mLabelText);

    auto* options = new QHBoxLayout;
    _bAddLine = new QCheckBox(tr("Draw line"), this);
    options->addWidget(_bAddLine);
    options->addSpacing(12);
    _groupJustify = new QButtonGroup(this);
    const char* names[] = {"Left", "Centre", "Right"};
    for (int j = 0; j < 3; ++j) {
        auto* b = new QRadioButton(tr(names[j]), this);
        _groupJustify->addButton(b, j);
        options->addWidget(b);
    }
    _groupJustify->button(0)->setChecked(true);
    options->addStretch(1);
    layout->addLayout(options);

    m_message = newRefusalLabel(this);
    layout->addWidget(m_message);

    auto* buttons = new QHBoxLayout;
    auto* font = new QPushButton(tr("Font..."), this);
    auto* colour = new QPushButton(tr("Colour..."), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    buttons->addWidget(font);
    buttons->addWidget(colour);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);

    connect(font, &QPushButton::clicked, this, &labelController::fontButton);
    connect(colour, &QPushButton::clicked, this, &labelController::colourButton);
    connect(m_cancel, &QPushButton::clicked, this, &labelController::cancelButton);
    connect(m_ok, &QPushButton::clicked, this, &labelController::okButton);
    connect(mLabelText, &QLineEdit::returnPressed, this, &labelController::okButton);
    connect(mLabelText, &QLineEdit::textEdited, m_message, &QLabel::hide);
    setFont_Color(m_font, m_color);
}

QRadioButton& labelController::justifyButton(int j)
{
    return *static_cast<QRadioButton*>(_groupJustify->button(std::clamp(j, 0, 2)));
}

QString labelController::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

int labelController::justification() const
{
    return std::max(0, _groupJustify->checkedId());
}

void labelController::setView(MainWindow* w)
{
    QObject::disconnect(m_viewGone);
    mView = w;
    // The window (and with the main window, the document) is closing.
    if (w)
        m_viewGone = connect(w, &QObject::destroyed, this, &labelController::finish);
}

void labelController::setText(const QString& text)
{
    mLabelText->setText(text);
}

void labelController::setFont_Color(const LabelFont& font, const RGBColor& color)
{
    m_font = font;
    m_color = color;
    mLabelText->setFont(toQFont(font));
    QPalette pal = mLabelText->palette();
    pal.setColor(QPalette::Text, deviceColor(color));
    mLabelText->setPalette(pal);
}

void labelController::setLabel(const LabelPtr& label)
{
    mLabel = label;
    m_editing = label != nullptr;
    if (!label)
        return;
    setText(QString::fromStdString(label->getLabelText()));
    setFont_Color(label->mFont, label->mFontColor);
    _bAddLine->setChecked(label->bAddLine);
    justifyButton(label->nJustification).setChecked(true);
}

void labelController::openFor(MainWindow& w)
{
    const MainViewModel& m = w.model();
    LabelPtr hit;
    if (m.m_bLabelClicked && m.m_ClickedLabel)
        if (const TIERS* t = w.model().doc().getChannel(0).tier(m.m_nTierCliked); t)
            for (const LabelPtr& l : t->m_pArrayLabels)
                if (l.get() == m.m_ClickedLabel)
                    hit = l;
    m_tier = m.m_nTierCliked;
    m_time = m.m_dMarkerTime;
    m_message->hide();
    if (hit) {
        setLabel(hit);
    } else {
        setLabel(nullptr);
        setWhere(m.m_ptTrackStart);
        setText({});
    }
    setView(&w);
    show();
    raise();
    activateWindow();
    mLabelText->setFocus();
    mLabelText->selectAll();
}

bool labelController::applyToView(MainWindow& w, const std::string& text)
{
    MainViewModel& model = w.model();
    if (!m_editing) {
        if (text.empty())
            return false;
        const TextSize size = measureText(text, m_font);
        LabelRecord rec;
        rec.strText = text;
        rec.bounds = {0, 0, static_cast<std::int16_t>(truncInt(size.height)),
                      static_cast<std::int16_t>(truncInt(size.width))};
        rec.bAddLine = _bAddLine->isChecked();
        rec.nJustification = justification();
        rec.font = m_font;
        rec.color = m_color;
        return model.AddLabel(m_tier, rec, m_time) != nullptr;
    }
    const LabelPtr label = mLabel.lock();
    if (!label)
        return false;
    if (text.empty())
        return model.RemoveLabel(m_tier, label.get());
    Labels modified;
    modified.Duplicate(*label);
    modified.setFont_Color(m_font, m_color);
    modified.setLabelNSText(text);
    copyToField(modified.cText, text);
    modified.bAddLine = _bAddLine->isChecked();
    modified.nJustification = justification();
    return model.ModifyLabel(m_tier, label.get(), modified);
}

void labelController::okButton()
{
    const std::string text = mLabelText->text().toStdString();
    if (const auto refusal = checkFieldLength(text, "label text")) {
        m_message->setText(QString::fromStdString(*refusal));
        m_message->show();
        return;
    }
    if (MainWindow* w = mView.data(); w && applyToView(*w, text)) {
        w->view().labelsEditedHere();
    }
    finish();
}

void labelController::cancelButton()
{
    finish();
}

void labelController::finish()
{
    QObject::disconnect(m_viewGone);
    mView = nullptr;
    mLabel.reset();
    m_editing = false;
    m_tier = -1;
    mLabelText->clear();
    m_message->hide();
    hide();
}

void labelController::fontButton()
{
    DocumentSession* s = mView ? &mView->session() : nullptr;
    if (!s)
        return;
    if (const std::optional<QFont> f = s->app().dialogs().chooseFont(this, toQFont(m_font)))
        setFont_Color(fromQFont(*f), m_color);
}

void labelController::colourButton()
{
    DocumentSession* s = mView ? &mView->session() : nullptr;
    if (!s)
        return;
    if (const std::optional<QColor> c = s->app().dialogs().chooseColor(this, deviceColor(m_color)))
        setFont_Color(m_font, fromQColor(*c));
}

void labelController::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        cancelButton();
        return;
    }
    QWidget::keyPressEvent(event);
}

void labelController::closeEvent(QCloseEvent* event)
{
    finish();
    event->accept();
}

} // namespace vx
