#include "app/browser_view.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace app {

namespace {

class SilentPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
};

}  // namespace

QWebEngineView* createBrowserView(QWidget* parent) {
    auto* view = new QWebEngineView(parent);
    view->setPage(new SilentPage(view));
    view->setZoomFactor(1.0);
    return view;
}

}  // namespace app
