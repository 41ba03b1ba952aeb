#pragma once
// The label editor: one shared, non-modal panel (a text field, a check box
// for the line at the label, the justification and font and colour
// buttons) opened from a main view's label mode, to add a label where the
// user clicked or to edit or delete the label that was hit.
//
// While it is open the document goes on changing: the label may be removed
// by another window, the window or the whole document may close. So it
// holds what it was opened for weakly (the window by QPointer, the label by
// weak_ptr, checked against the tier's labels on OK), does nothing on OK
// when they are gone, and hides itself when its window closes.

#include "model/Labels.h"
#include "platform/Types.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vx {

class MainWindow;

class labelController : public QWidget {
    Q_OBJECT

public:
    // The shared editor (glabelControl), created on first use.
    static labelController& shared();
    // The shared editor if it has been created.
    static labelController* existing();

    // Opens for the last release of w's main view in label mode: the label
    // it hit, or a new label at the press point on the clicked tier.
    void openFor(MainWindow& w);

    void setView(MainWindow* w);
    void setWhere(PointD p) { _mWhere = p; }
    void setText(const QString& text);
    // Fills the fields from the label; with nothing they keep what they hold.
    void setLabel(const LabelPtr& label);
    void setFont_Color(const LabelFont& font, const RGBColor& color);

    // OK: adds, modifies or (empty text) removes, then hides. A text over
    // 255 bytes is refused with a message and the editor stays open.
    void okButton();
    void cancelButton();
    void fontButton();
    void colourButton();

    MainWindow* view() const { return mView; }
    bool editingLabel() const { return m_editing; }
    int tier() const { return m_tier; }
    double time() const { return m_time; }
    QLineEdit& textField() { return *mLabelText; }
    QCheckBox& lineBox() { return *_bAddLine; }
    QRadioButton& justifyButton(int j);
    QPushButton& ok() { return *m_ok; }
    QPushButton& cancel() { return *m_cancel; }
    QString message() const;
    const LabelFont& labelFont() const { return m_font; }
    const RGBColor& labelColor() const { return m_color; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    labelController();
    void finish();
    int justification() const;
    bool applyToView(MainWindow& w, const std::string& text);

    QLineEdit* mLabelText = nullptr;
    QCheckBox* _bAddLine = nullptr;
    QButtonGroup* _groupJustify = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;

    QPointer<MainWindow> mView;
    QMetaObject::Connection m_viewGone;
    std::weak_ptr<Labels> mLabel;
    bool m_editing = false;
    int m_tier = -1;
    double m_time = 0;
    PointD _mWhere{};
    LabelFont m_font{"Arial", 14.0, 5, false};
    RGBColor m_color{};
};

} // namespace vx
