// The embedded view's own late-bound backend (runJavaScript in the
// application's world, a table of handles in the page): what a hostile page
// does in its own world cannot change how members bind, a page that throws or
// loops costs one call its bound and no more, a call inside another's wait is
// refused, handles are released, frames of
// the same origin are reached through their documents, and a handle of a
// document that is gone fails as disconnected.
#include "embedded/view_binding.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>
#include <vector>

#include "app/browser_view.h"
#include "automation/late_bound.h"
#include "platform/widget_window_system.h"

using namespace automation;

namespace {

constexpr int kBoundMs = 1000;

class ViewBindingTest : public testing::Test {
protected:
    void SetUp() override {
        window_.resize(600, 400);
        view_ = app::createBrowserView(&window_);
        view_->setGeometry(0, 0, 600, 400);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        platform::registerBrowserView(view_);
        binding_ = embedded::ViewBinding::of(view_->page());
        ASSERT_NE(binding_, nullptr);
    }

    void TearDown() override {
        if (binding_) binding_->setDefaultTimeout(embedded::ViewBinding::kDefaultTimeoutMs);
    }

    AutomationObject load(const char* relativePath) {
        QSignalSpy finished(view_, &QWebEngineView::loadFinished);
        view_->setUrl(
            QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/") + QLatin1String(relativePath)));
        if (!finished.wait(20000) || !finished.last().first().toBool()) return {};
        return document();
    }

    AutomationObject document() { return binding_->document(5000); }

    AutomationObject element(const AutomationObject& document, const char* id) {
        return callForObject(document, "getElementById", {std::string(id)});
    }

    // The failure of one property read, or nothing when it succeeded.
    static std::optional<Failure> readFailure(const AutomationObject& object, const char* name) {
        static constexpr MemberKind kGet[] = {MemberKind::PropertyGet};
        const Arguments none;
        auto result = object.remote()->invoke(Invocation{name, kGet, none, ResultKind::Text});
        if (const auto* failure = std::get_if<Failure>(&result)) return *failure;
        return std::nullopt;
    }

    QWidget window_;
    QWebEngineView* view_ = nullptr;
    std::shared_ptr<embedded::ViewBinding> binding_;
};

TEST_F(ViewBindingTest, AViewWithNoPageHasNoDocument) {
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(document().isEmpty());
    EXPECT_LT(timer.elapsed(), kBoundMs);
}

// The page replaced the built-ins and prototypes of its own world before any
// call: nothing of that reaches the world the calls run in.
TEST_F(ViewBindingTest, HostilePrototypesDoNotChangeTheBinding) {
    const AutomationObject doc = load("automation/hostile.html");
    ASSERT_FALSE(doc.isEmpty());
    const AutomationObject box = element(doc, "box");
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(readText(box, "ID"), "box");
    EXPECT_EQ(readText(box, "className"), "greeting");
    EXPECT_EQ(readText(box, "getAttribute", "class"), "greeting");
    EXPECT_EQ(readNumber(readObject(element(doc, "list"), "children"), "LENGTH"), 3);
    EXPECT_EQ(readValue(element(doc, "ticked"), "checked").toNumber(), -1);
    const AutomationObject field = element(doc, "field");
    EXPECT_TRUE(writeProperty(field, "value", std::string("写入 ✓")));
    EXPECT_EQ(readText(field, "Value"), "写入 ✓");
    EXPECT_FALSE(writeProperty(field, "noSuchMember", std::string("x")));
    // The page's own script variables are not members of its window here.
    const AutomationObject window = readObject(doc, "parentWindow");
    ASSERT_FALSE(window.isEmpty());
    EXPECT_TRUE(readObject(window, "probe").isEmpty());
    EXPECT_EQ(readText(doc, "title"), "hostile");
}

TEST_F(ViewBindingTest, PageGettersThrowingAndLoopingInTheirWorldDoNotBind) {
    const AutomationObject doc = load("app/view_loops.html");
    ASSERT_FALSE(doc.isEmpty());
    binding_->setDefaultTimeout(kBoundMs);
    // The page's getters of "value" and "id" loop and throw in its world.
    EXPECT_EQ(readText(element(doc, "field"), "value"), "start");
    EXPECT_EQ(readText(element(doc, "busy"), "id"), "busy");
    // A handler that throws does not make the click fail, nor the view.
    callMethod(element(doc, "throws"), "click");
    EXPECT_EQ(readFailure(element(doc, "throws"), "tagName"), std::nullopt);
    EXPECT_EQ(readText(doc, "title"), "loops");
}

// A handler that loops for three seconds: the call that set it off gives up
// at its bound; later calls fail at once while the page does not answer, and
// once the page answers again so do the calls.
TEST_F(ViewBindingTest, ABusyPageCostsOneBoundThenRecovers) {
    const AutomationObject doc = load("app/view_loops.html");
    ASSERT_FALSE(doc.isEmpty());
    const AutomationObject busy = element(doc, "busy");
    ASSERT_FALSE(busy.isEmpty());
    const long handlesBefore = embedded::ViewBinding::liveObjects();
    const std::optional<int> inPageBefore = binding_->handlesInPage();
    ASSERT_TRUE(inPageBefore.has_value());
    binding_->setDefaultTimeout(kBoundMs);

    // The click's own call returns an object, which the page gives only after
    // its loop: that late object is released, not leaked.
    // A call made while that one waits (from an event its wait dispatches)
    // is refused at once.
    std::optional<Failure> nested;
    QTimer::singleShot(0, [&] { nested = readFailure(doc, "title"); });
    QElapsedTimer timer;
    timer.start();
    auto clicked = busy.remote()->runFunction("function () { this.click(); return this; }", {},
                                              ResultKind::Object);
    const qint64 firstMs = timer.elapsed();
    ASSERT_TRUE(std::holds_alternative<Failure>(clicked));
    EXPECT_EQ(std::get<Failure>(clicked), Failure::TimedOut);
    EXPECT_GE(firstMs, kBoundMs - 50);
    EXPECT_LT(firstMs, kBoundMs + 1000);
    EXPECT_TRUE(binding_->isMarkedUnanswering());
    EXPECT_EQ(nested, Failure::Reentered);

    timer.start();
    EXPECT_EQ(readFailure(doc, "title"), Failure::TimedOut);
    EXPECT_TRUE(document().isEmpty());
    EXPECT_LT(timer.elapsed(), 500);

    ASSERT_TRUE(QTest::qWaitFor([&] { return readText(doc, "title") == "busy done"; }, 20000));
    EXPECT_FALSE(binding_->isMarkedUnanswering());
    EXPECT_EQ(embedded::ViewBinding::liveObjects(), handlesBefore);
    EXPECT_EQ(binding_->handlesInPage(), inPageBefore);
}

// A handler that never ends: the call is bounded, and the view comes back
// with the next document it loads.
TEST_F(ViewBindingTest, APageThatLoopsForeverIsBoundedAndTheViewRecovers) {
    const AutomationObject doc = load("app/view_loops.html");
    ASSERT_FALSE(doc.isEmpty());
    binding_->setDefaultTimeout(kBoundMs);
    QElapsedTimer timer;
    timer.start();
    callMethod(element(doc, "forever"), "click");
    EXPECT_LT(timer.elapsed(), kBoundMs + 1000);
    timer.start();
    EXPECT_EQ(readFailure(doc, "title"), Failure::TimedOut);
    EXPECT_LT(timer.elapsed(), 500);

    // The load that ends the looping process fails; the view loads the same
    // address again by itself.
    QSignalSpy finished(view_, &QWebEngineView::loadFinished);
    view_->setUrl(QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/binding/one.html")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !finished.isEmpty() && finished.last().first().toBool(); }, 20000));
    const AutomationObject next = document();
    ASSERT_FALSE(next.isEmpty());
    EXPECT_EQ(readText(next, "title"), "binding page one");
    EXPECT_EQ(readFailure(doc, "title"), Failure::Disconnected);
}

TEST_F(ViewBindingTest, ReleasedObjectsLeaveThePagesTable) {
    const AutomationObject doc = load("binding/one.html");
    ASSERT_FALSE(doc.isEmpty());
    const std::optional<int> before = binding_->handlesInPage();
    ASSERT_TRUE(before.has_value());
    {
        std::vector<AutomationObject> held;
        for (int i = 0; i < 50; ++i) held.push_back(readObject(doc, "body"));
        EXPECT_EQ(binding_->handlesInPage(), *before + 50);
        held.resize(10);
        EXPECT_EQ(binding_->handlesInPage(), *before + 10);
    }
    EXPECT_EQ(binding_->handlesInPage(), *before);
}

TEST_F(ViewBindingTest, ObjectsOfALeftDocumentFailAsDisconnected) {
    const AutomationObject doc = load("binding/one.html");
    ASSERT_FALSE(doc.isEmpty());
    const AutomationObject body = readObject(doc, "body");
    ASSERT_FALSE(body.isEmpty());
    const AutomationObject next = load("binding/two.html");
    ASSERT_FALSE(next.isEmpty());
    EXPECT_EQ(readFailure(body, "tagName"), Failure::Disconnected);
    EXPECT_EQ(readFailure(doc, "title"), Failure::Disconnected);
    // An object of the old document is no argument for the new one.
    EXPECT_TRUE(callForObject(next, "contains", {std::cref(body)}).isEmpty());
    EXPECT_EQ(readText(next, "title"), "第二页 binding 🙂");
}

TEST_F(ViewBindingTest, SameOriginFramesAreReachedThroughTheirDocuments) {
    const AutomationObject doc = load("compat/frames.html");
    ASSERT_FALSE(doc.isEmpty());
    const AutomationObject frames = readObject(doc, "frames");
    EXPECT_EQ(readNumber(frames, "length"), 3);
    const AutomationObject first = callForObject(frames, "item", {std::string("one")});
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(readText(first, "id"), "first");
    const AutomationObject frameDocument = readObject(first, "document");
    ASSERT_FALSE(frameDocument.isEmpty());
    EXPECT_EQ(readText(readObject(frameDocument, "body"), "innerText"), "first frame");

    // execScript on a frame's window runs in that frame's page world.
    callMethod(first, "execScript",
               {std::string("document.title = 'frame script ' + typeof execScript")});
    EXPECT_EQ(readText(frameDocument, "title"), "frame script function");
}

}  // namespace
