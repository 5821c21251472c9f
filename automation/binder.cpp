#include "automation/binder.h"

#include <QFile>
#include <QRandomGenerator>

namespace automation::binder {

namespace {

QString loadSource() {
    QFile file(":/automation/binder.js");
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

// A call site: as short as possible so that the engine compiles it once
// and then finds it in its cache. `window` cannot be shadowed or replaced by
// a page, unlike `globalThis`. `parameters` come before the member kinds,
// the wanted result and the arguments; `callee` is what the binder invokes.
QString callSite(const QString& parameters, const QString& callee) {
    return QStringLiteral(
               "function(%1k,w,...a){const b=window[\"%2\"];if(typeof b!==\"function\")throw "
               "\"Unbound\";"
               "return b(this,%3,k,w,a)}")
        .arg(parameters, key(), callee);
}

}  // namespace

const QString& key() {
    static const QString value = [] {
        QRandomGenerator* random = QRandomGenerator::system();
        return QStringLiteral("__b%1%2")
            .arg(random->generate64(), 16, 16, QLatin1Char('0'))
            .arg(random->generate64(), 16, 16, QLatin1Char('0'));
    }();
    return value;
}

const QString& installFunction() {
    static const QString value = loadSource();
    return value;
}

const QString& installScript() {
    static const QString value = QStringLiteral("(%1)(\"%2\");").arg(installFunction(), key());
    return value;
}

const QString& callFunction() {
    static const QString value = callSite(QStringLiteral("n,"), QStringLiteral("n"));
    return value;
}

QString runFunction(const QString& source) {
    // The source is the function to run: it takes the place of the name.
    return callSite(QString(), QStringLiteral("(%1)").arg(source));
}

QString kindLetters(std::span<const MemberKind> kinds) {
    QString letters;
    for (const MemberKind kind : kinds) {
        switch (kind) {
            case MemberKind::PropertyGet:
                letters += QLatin1Char('g');
                break;
            case MemberKind::Method:
                letters += QLatin1Char('m');
                break;
            case MemberKind::PropertyPut:
                letters += QLatin1Char('p');
                break;
            case MemberKind::PropertyPutRef:
                letters += QLatin1Char('r');
                break;
        }
    }
    return letters;
}

QString wantedLetter(ResultKind wanted) {
    switch (wanted) {
        case ResultKind::None:
            return QStringLiteral("n");
        case ResultKind::Text:
            return QStringLiteral("t");
        case ResultKind::Number:
            return QStringLiteral("d");
        case ResultKind::Object:
            return QStringLiteral("o");
        case ResultKind::Boolean:
            return QStringLiteral("b");
        case ResultKind::Value:
            return QStringLiteral("v");
    }
    return QStringLiteral("n");
}

}  // namespace automation::binder
