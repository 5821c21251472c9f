// The help text: 42 lines, each ended by CR LF, and a consistent example.
#include "app/help_text.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

namespace {

QStringList helpLines() {
    const QString text = app::helpText();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\r]\n|\r[^\n]"))))
        << "every line ends in CR LF";
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();  // after the last CR LF
    return lines;
}

TEST(HelpText, HasFortyTwoLinesWithTheFixedOnesVerbatim) {
    const QStringList lines = helpLines();
    ASSERT_EQ(lines.size(), 42);
    EXPECT_EQ(lines[0], QString(31, ' '));
    EXPECT_EQ(lines[1], QString(30, ' ') + QStringLiteral("脚本制作详细说明"));
    EXPECT_EQ(
        lines[3],
        QStringLiteral("本软件的脚本放在软件目录下的\"dat\"目录下,脚本可以直接用记事本修改设置"));
    EXPECT_EQ(lines[7], QStringLiteral("网页操作类|代码|代码种类|时间"));
    EXPECT_EQ(lines[11],
              QStringLiteral(
                  "网页操作类:网页操作类分四种类型分类为\"填表文本,点击链接,点击按钮,执行脚本\""));
    EXPECT_EQ(lines[21], QStringLiteral("    在当前网页上执行指定的脚本命令"));
    EXPECT_EQ(lines[22], QStringLiteral("   代码=网页上执行指定的脚本命令代码"));
    EXPECT_EQ(
        lines[23],
        QStringLiteral(
            "   代码种类=分三种：#脚本类型_JavaScript、#脚本类型_VBScript，默认为JavaScript。"));
    for (int empty : {3, 6, 9, 11, 13, 15, 18, 20, 25, 27, 31, 33, 38})
        EXPECT_TRUE(lines[empty - 1].isEmpty()) << "line " << empty;
}

TEST(HelpText, WorkedExampleIsOneConsistentScript) {
    const QStringList lines = helpLines();
    ASSERT_EQ(lines.size(), 42);
    const QRegularExpression title(QStringLiteral("^例子:(.+)留言脚本$"));
    const auto site = title.match(lines[25]);
    ASSERT_TRUE(site.hasMatch()) << lines[25].toStdString();
    const QString address = lines[27];
    EXPECT_TRUE(address.startsWith(QStringLiteral("http://"))) << address.toStdString();

    const QRegularExpression fill(QStringLiteral("^填表文本\\|(\\w+)\\|1\\|5$"));
    const QRegularExpression click(QStringLiteral("^点击按钮\\|(\\w+)\\|1\\|8$"));
    const auto box = fill.match(lines[28]);
    const auto button = click.match(lines[29]);
    ASSERT_TRUE(box.hasMatch()) << lines[28].toStdString();
    ASSERT_TRUE(button.hasMatch()) << lines[29].toStdString();

    EXPECT_EQ(lines[31], QStringLiteral("网页地址=") + address + "(" + site.captured(1) + "网址)");
    EXPECT_EQ(lines[33], QStringLiteral("填写留言信息部份"));
    EXPECT_EQ(lines[34], QStringLiteral("留言框代码=") + box.captured(1));
    EXPECT_EQ(lines[35], QStringLiteral("代码种类=1(1.代码标识类型_ID)"));
    EXPECT_EQ(lines[36], QStringLiteral("时间=5秒"));
    EXPECT_EQ(lines[38], QStringLiteral("点击留言按钮部分"));
    EXPECT_EQ(lines[39], QStringLiteral("留言按钮代码=") + button.captured(1));
    EXPECT_EQ(lines[40], QStringLiteral("代码种类=1(1.代码标识类型_ID)"));
    EXPECT_EQ(lines[41], QStringLiteral("时间=8秒"));
}

}  // namespace
