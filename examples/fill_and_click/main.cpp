// Opens a page in a browser that the library launches, fills a field,
// clicks a button and prints a text of the page.
//
//   fill_and_click URL [NAME]
//
// With the page greeting.html beside this file it prints "Hello, NAME!".
#include <QCoreApplication>
#include <QString>
#include <cstdio>

#include "page/page_session.h"
#include "page/web_page.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fill_and_click URL [NAME]\n");
        return 2;
    }
    const QString address = QString::fromLocal8Bit(argv[1]);
    const std::string name = argc > 2 ? argv[2] : "World";

    // A headless Chromium, driven over a pipe; the compatibility layer goes
    // into every document it loads.
    QString error;
    auto session = page::PageSession::launch({}, &error);
    if (!session || !session->navigate(address, &error)) {
        std::fprintf(stderr, "fill_and_click: %s\n", qPrintable(error));
        return 1;
    }
    page::WebPage page;
    session->rebind(page);

    // Code kind 0 finds the field by its id; kind 3 finds the button by its
    // title (the text it shows). The operations fail quietly: they say only
    // whether they did it.
    if (!page.setValue("who", 0, name) || !page.clickButton("Greet", 3)) {
        std::fprintf(stderr, "fill_and_click: the page has no field \"who\" or button \"Greet\"\n");
        return 1;
    }
    std::printf("%s\n", page.innerText(page.findElement("greeting", 0)).c_str());
    return 0;
}
