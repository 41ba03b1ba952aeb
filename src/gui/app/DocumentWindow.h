#pragma once
// What every analysis window of a document has: a place in its session
// (closed with it, told before samples change), a menu bar built from the
// command table with the session's route, a grid of named readouts over
// its view, a title of its kind before the document's, and a timer that
// redraws the view while a computation runs. A new analysis window adds its
// view, its display state and its rows in the command table.
//
// The subclass owns its worker and stops it in its own destructor, before
// this one takes the window out of the session's readers.

#include "gui/app/Commands.h"
#include "gui/app/DocumentSession.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QVBoxLayout;

namespace vx {

class DocumentWindow : public QWidget, public CommandResponder, public SampleReader {
    Q_OBJECT

public:
    ~DocumentWindow() override;

    DocumentSession& session() const { return m_session; }
    CommandMenus& menus() { return *m_menus; }
    QString readout(const QString& name) const;

protected:
    // `kind` goes before the document's title ("Spectrogram:: ").
    DocumentWindow(DocumentSession& session, const QString& kind);

    // Readouts in rows of `perRow`: a name and a value that can be selected.
    void addReadouts(const std::vector<const char*>& names, int perRow, int minimumValueWidth);
    void setReadout(const QString& name, const QString& text);
    // The view under the readouts takes the room left; rows added later go
    // under it.
    void addView(QWidget* view);
    void addRow(QWidget* row);
    // While running, showProgress runs twice a second.
    void startProgress() { m_progress.start(); }
    void stopProgress() { m_progress.stop(); }
    // Redraws the view, which shows the worker's progress.
    virtual void showProgress();
    // The kind's text before the document's title; a subclass may title
    // itself otherwise.
    virtual QString titleText() const;
    void updateTitle();
    std::vector<CommandResponder*> route();

private:
    DocumentSession& m_session;
    QString m_kind;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_view = nullptr;
    std::map<QString, QLabel*> m_readouts;
    std::unique_ptr<CommandMenus> m_menus;
    QTimer m_progress;
};

} // namespace vx
