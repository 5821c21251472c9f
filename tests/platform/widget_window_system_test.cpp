// The window system over a real widget tree under X: handles, children in Z
// order, class names, hit testing, and document requests answered by embedded
// browser views through their own late-bound backend (no endpoint).
#include "platform/widget_window_system.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>

#include "app/browser_view.h"
#include "automation/late_bound.h"
#include "page/web_page.h"
#include "tests/page/compat_cases.h"

namespace {

using platform::WidgetWindowSystem;
using platform::WindowHandle;

WidgetWindowSystem& windows() { return WidgetWindowSystem::instance(); }

std::vector<WindowHandle> childrenOf(WindowHandle parent) {
    std::vector<WindowHandle> list;
    for (WindowHandle child = windows().firstChild(parent); child != 0;
         child = windows().nextSibling(parent, child)) {
        list.push_back(child);
    }
    return list;
}

QUrl fixture(const char* name) {
    return QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/binding/") + QLatin1String(name));
}

bool load(QWebEngineView& view, const QUrl& url) {
    QSignalSpy finished(&view, &QWebEngineView::loadFinished);
    view.setUrl(url);
    return finished.wait(20000) && finished.first().first().toBool();
}

// ---------------------------------------------------------------------------
// The tree without a browser.

TEST(WidgetTree, HandlesAreStableAndNotReused) {
    EXPECT_EQ(windows().handleFor(nullptr), 0u);
    auto first = std::make_unique<QWidget>();
    QWidget second;
    const WindowHandle handle = windows().handleFor(first.get());
    EXPECT_NE(handle, 0u);
    EXPECT_LT(static_cast<std::int32_t>(handle), 0x7FFFFFFF + 1LL);
    EXPECT_GT(static_cast<std::int32_t>(handle), 0);
    EXPECT_EQ(windows().handleFor(first.get()), handle);
    EXPECT_NE(windows().handleFor(&second), handle);
    EXPECT_EQ(windows().widgetFor(handle), first.get());

    first.reset();
    EXPECT_EQ(windows().widgetFor(handle), nullptr);
    EXPECT_FALSE(windows().className(handle).has_value());
    QWidget third;
    EXPECT_NE(windows().handleFor(&third), handle);
}

TEST(WidgetTree, ChildrenTopmostFirst) {
    QWidget parent;
    auto* a = new QLabel("a", &parent);
    auto* b = new QLabel("b", &parent);
    auto* c = new QLabel("c", &parent);
    auto* dialog = new QDialog(&parent);  // a window of its own: not a child
    const WindowHandle p = windows().handleFor(&parent);
    const WindowHandle ha = windows().handleFor(a), hb = windows().handleFor(b),
                       hc = windows().handleFor(c);

    EXPECT_EQ(childrenOf(p), (std::vector<WindowHandle>{hc, hb, ha}));
    a->raise();
    EXPECT_EQ(childrenOf(p), (std::vector<WindowHandle>{ha, hc, hb}));
    EXPECT_EQ(windows().nextSibling(p, windows().handleFor(dialog)), 0u);

    const std::vector<WindowHandle> top = childrenOf(0);
    EXPECT_NE(std::find(top.begin(), top.end(), p), top.end());
    EXPECT_NE(std::find(top.begin(), top.end(), windows().handleFor(dialog)), top.end());
    EXPECT_EQ(std::find(top.begin(), top.end(), ha), top.end());
}

TEST(WidgetTree, ClassNamesRectanglesAndHitTesting) {
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    auto* button = new QPushButton("press", &window);
    button->setGeometry(20, 30, 120, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const WindowHandle handle = windows().handleFor(button);
    EXPECT_EQ(windows().className(handle), std::optional<std::string>("QPushButton"));

    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    const std::optional<platform::ScreenRect> rect = windows().windowRect(handle);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->left, origin.x());
    EXPECT_EQ(rect->top, origin.y());
    EXPECT_EQ(rect->right - rect->left, 120);
    EXPECT_EQ(rect->bottom - rect->top, 40);

    EXPECT_EQ(windows().windowFromPoint({origin.x() + 5, origin.y() + 5}), handle);
    EXPECT_EQ(windows().windowFromPoint({origin.x() - 10, origin.y() - 10}),
              windows().handleFor(&window));
}

// ---------------------------------------------------------------------------
// Embedded browser views.

// A window with a view nested four levels down, registered the way the
// main window registers its browser.
class EmbeddedView : public testing::Test {
protected:
    void SetUp() override {
        auto* frame = new QFrame(&window_);
        auto* group = new QGroupBox("browser", frame);
        auto* holder = new QWidget(group);
        view_ = app::createBrowserView(holder);
        view_->setGeometry(0, 0, 400, 300);
        holder->setGeometry(10, 20, 420, 320);
        group->setGeometry(0, 0, 440, 360);
        frame->setGeometry(0, 0, 460, 380);
        window_.resize(500, 420);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));

        platform::registerBrowserView(view_);
        ASSERT_TRUE(windows().isConnected(view_));
    }

    std::string titleThroughAttach() {
        page::WebPage page;
        if (!page.attach(nullptr, windows().handleFor(&window_))) return "<not bound>";
        return automation::readText(page.document, "title");
    }

    QWidget window_;
    QWebEngineView* view_ = nullptr;
};

TEST_F(EmbeddedView, DocumentWidgetIsTheBrowserDocumentWindow) {
    QWidget* document = view_->focusProxy();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(windows().className(windows().handleFor(document)),
              std::optional<std::string>(platform::kBrowserDocumentClass));
    EXPECT_EQ(windows().className(windows().handleFor(view_)),
              std::optional<std::string>("QWebEngineView"));
    page::WebPage page;
    EXPECT_EQ(page.findBrowserWindow(windows().handleFor(&window_)), windows().handleFor(document));

    // The pointer over the page is over the document window (the picker's way in).
    const QPoint centre = view_->mapToGlobal(QPoint(view_->width() / 2, view_->height() / 2));
    EXPECT_EQ(windows().windowFromPoint({centre.x(), centre.y()}), windows().handleFor(document));
}

TEST_F(EmbeddedView, AttachFromTheTopWindowReachesTheViewsDocument) {
    ASSERT_TRUE(load(*view_, fixture("one.html")));
    EXPECT_EQ(titleThroughAttach(), "binding page one");

    // Every request fetches the document the view shows now.
    ASSERT_TRUE(load(*view_, fixture("two.html")));
    EXPECT_EQ(titleThroughAttach(), "第二页 binding 🙂");
}

TEST_F(EmbeddedView, DocumentsHaveTheCompatibilityLayer) {
    // The page forbids all script; the library's own still runs.
    ASSERT_TRUE(load(*view_, fixture("csp.html")));
    page::WebPage page;
    ASSERT_TRUE(page.attach(nullptr, windows().handleFor(&window_)));
    const automation::AutomationObject window =
        automation::readObject(page.document, "parentWindow");
    ASSERT_FALSE(window.isEmpty());
    automation::callMethod(window, "execScript",
                           {std::string("document.title = 'script ran'"), std::string("JScript")});
    EXPECT_EQ(automation::readText(page.document, "title"), "script ran");
}

TEST_F(EmbeddedView, PageThatDoesNotAnswerLeavesTheBindingAsItWas) {
    ASSERT_TRUE(load(*view_, fixture("one.html")));
    page::WebPage page;
    ASSERT_TRUE(page.attach(nullptr, windows().handleFor(&window_)));
    ASSERT_TRUE(load(*view_, fixture("busy.html")));
    QTest::qWait(800);  // the page is busy from 300 ms after its load on

    const automation::RemoteObject* held = page.document.remote().get();
    EXPECT_FALSE(page.attach(nullptr, windows().handleFor(&window_)));
    EXPECT_EQ(page.document.remote().get(), held);

    // Once the page answers again, so does its window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return page.attach(nullptr, windows().handleFor(&window_)); },
                                20000));
    EXPECT_EQ(automation::readText(page.document, "title"), "busy page");
}

TEST_F(EmbeddedView, RequestsToOtherWidgetsAndUnregisteredViewsFail) {
    auto* button = new QPushButton("not a browser", &window_);
    EXPECT_TRUE(windows()
                    .requestDocument(windows().handleFor(button), std::chrono::milliseconds(1000))
                    .isEmpty());

    QWebEngineView unregistered;
    ASSERT_TRUE(load(unregistered, fixture("one.html")));
    QWidget* document = unregistered.focusProxy();
    ASSERT_NE(document, nullptr);
    page::WebPage page;
    EXPECT_FALSE(page.attach(nullptr, windows().handleFor(document)));
    EXPECT_TRUE(page.document.isEmpty());
}

TEST_F(EmbeddedView, TwoViewsListedInZOrder) {
    QWidget* host = view_->parentWidget();
    auto* second = app::createBrowserView(host);
    second->setGeometry(0, 0, 200, 100);
    second->show();
    platform::registerBrowserView(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->focusProxy() != nullptr; }, 20000));
    const WindowHandle first = windows().handleFor(view_->focusProxy());
    const WindowHandle later = windows().handleFor(second->focusProxy());

    // The view made later lies on top.
    page::WebPage page;
    std::vector<WindowHandle> listed;
    EXPECT_TRUE(page.listBrowserWindows(windows().handleFor(&window_), listed));
    EXPECT_EQ(listed, (std::vector<WindowHandle>{later, first}));
    EXPECT_EQ(page.findBrowserWindow(windows().handleFor(&window_)), later);

    view_->raise();
    EXPECT_EQ(page.findBrowserWindow(windows().handleFor(&window_)), first);

    // Each document window answers with its own view's document.
    ASSERT_TRUE(load(*second, fixture("two.html")));
    ASSERT_TRUE(load(*view_, fixture("one.html")));
    page::WebPage secondPage;
    ASSERT_TRUE(secondPage.attach(nullptr, later));
    EXPECT_EQ(automation::readText(secondPage.document, "title"), "第二页 binding 🙂");
    ASSERT_TRUE(secondPage.attach(nullptr, first));
    EXPECT_EQ(automation::readText(secondPage.document, "title"), "binding page one");
}

// The compatibility layer's rows again, in the embedded engine: the layer is
// installed there by the view's own file, not by a DevTools session.
class EmbeddedCompatibility : public EmbeddedView,
                              public testing::WithParamInterface<compat_cases::PageCase> {
protected:
    // The value of a page expression in `world`; undefined when it threw or
    // the page did not answer. The result is only stored in the engine's
    // callback.
    QJsonValue evaluate(const std::string& expression,
                        quint32 world = QWebEngineScript::MainWorld) {
        auto result = std::make_shared<std::optional<QVariant>>();
        view_->page()->runJavaScript(QString::fromStdString(expression), world,
                                     [result](const QVariant& value) { *result = value; });
        if (!QTest::qWaitFor([&] { return result->has_value(); }, 10000))
            return QJsonValue::Undefined;
        return QJsonValue::fromVariant(**result);
    }
};

TEST_P(EmbeddedCompatibility, BehavesAsInTheLaunchedBrowser) {
    const compat_cases::PageCase& c = GetParam();
    ASSERT_TRUE(load(*view_, QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/") +
                                                 QString::fromStdString(c.fixture))));
    const QJsonValue expected =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + c.expected + "]")).array().at(0);
    const QJsonValue got = evaluate(c.expression);
    EXPECT_EQ(got, expected)
        << c.expression << "\n gave "
        << QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Embedded, EmbeddedCompatibility,
                         testing::ValuesIn(compat_cases::pageCases()),
                         [](const testing::TestParamInfo<compat_cases::PageCase>& info) {
                             return info.param.name;
                         });

// The same rows in the application's world, where the view's late-bound calls
// run and bind through the layer's copy there. Rows that read the page's own
// script variables (its event log, functions it defined) or that run script
// for the page (execScript, whose code goes to the page's world and is tested
// through late-bound calls) do not apply to that world.
class EmbeddedCompatibilityInApplicationWorld : public EmbeddedCompatibility {};

TEST_P(EmbeddedCompatibilityInApplicationWorld, BehavesAsInThePagesWorld) {
    const compat_cases::PageCase& c = GetParam();
    ASSERT_TRUE(load(*view_, QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/") +
                                                 QString::fromStdString(c.fixture))));
    const QJsonValue expected =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + c.expected + "]")).array().at(0);
    const QJsonValue got = evaluate(c.expression, QWebEngineScript::ApplicationWorld);
    EXPECT_EQ(got, expected)
        << c.expression << "\n gave "
        << QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact).toStdString();
}

std::vector<compat_cases::PageCase> applicationWorldCases() {
    std::vector<compat_cases::PageCase> cases;
    for (const compat_cases::PageCase& c : compat_cases::pageCases()) {
        const bool pageScript = c.name.starts_with("FireEvent") ||
                                c.name.starts_with("ExecScript") ||
                                c.name.starts_with("PageDefinitions");
        if (!pageScript) cases.push_back(c);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Embedded, EmbeddedCompatibilityInApplicationWorld,
                         testing::ValuesIn(applicationWorldCases()),
                         [](const testing::TestParamInfo<compat_cases::PageCase>& info) {
                             return info.param.name;
                         });

}  // namespace
