#pragma once
// The About window: the program's name, what it is for and its version
// text, which comes from the application state.

#include <QDialog>

class QLabel;

namespace vx {

class AboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);
    QString versionText() const;

private:
    QLabel* m_version = nullptr;
};

} // namespace vx
