#include "app/browser_view.h"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include "app/browser_escape.h"
#include "embedded/view_binding.h"
#include "page/compatibility_layer.h"

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

QWebEngineScript compatibilityLayer(const QString& name, QWebEngineScript::ScriptWorldId world) {
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(page::compatibilityLayerSource());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(world);
    script.setRunsOnSubFrames(true);
    return script;
}

void installBrowserScripts(QWebEnginePage* page) {
    QWebEngineScriptCollection& scripts = page->scripts();
    // The page's own scripts see the compatibility layer in their world; the
    // late-bound calls run in the application's world and get their own copy
    // there, ahead of the binding that they bind through.
    scripts.insert(
        compatibilityLayer(QStringLiteral("compatibility layer"), QWebEngineScript::MainWorld));
    scripts.insert(compatibilityLayer(QStringLiteral("compatibility layer, application world"),
                                      QWebEngineScript::ApplicationWorld));
    scripts.insert(embedded::ViewBinding::scripts());
    scripts.insert(escapeWatcherScript());
}

}  // namespace

QWebEngineView* createBrowserView(QWidget* parent) {
    auto* view = new QWebEngineView(parent);
    auto* page = new SilentPage(view);
    installBrowserScripts(page);
    view->setPage(page);
    view->setZoomFactor(1.0);
    return view;
}

}  // namespace app
