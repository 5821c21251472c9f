#include "app/help_text.h"

namespace app {

namespace {

// One entry per line, without its line end. Lines 26 to 42 are a worked
// example for a made-up message board.
constexpr const char* kHelpLines[] = {
    "                               ",
    "                              脚本制作详细说明",
    "",
    "本软件的脚本放在软件目录下的\"dat\"目录下,脚本可以直接用记事本修改设置",
    "脚本说明:",
    "",
    "网页地址",
    "网页操作类|代码|代码种类|时间",
    "",
    "网页地址:网页地址就是说你要操作的网页地址,也是登陆地址",
    "",
    "网页操作类:网页操作类分四种类型分类为\"填表文本,点击链接,点击按钮,执行脚本\"",
    "",
    "代码:留言框或按钮的代码分为\"名称,ID\"两种可以用\"Tarsel脚本设置."
    "exe\"查出它们的代码也可以打开网页源码查出来.",
    "",
    "代码种类: 参数<代码种类>的说明：",
    "0.代码标识类型_名称,1.代码标识类型_ID,2.代码标识类型_索引,3.代码标识类型_标题,4.代码标识类型_"
    "地址。",
    "",
    "时间:时间完成操作后相隔时间秒为单位",
    "",
    "执行脚本",
    "    在当前网页上执行指定的脚本命令",
    "   代码=网页上执行指定的脚本命令代码",
    "   代码种类=分三种：#脚本类型_JavaScript、#脚本类型_VBScript，默认为JavaScript。",
    "",
    "例子:示例论坛留言脚本",
    "",
    "http://bbs.example.com/",
    "填表文本|content_box|1|5",
    "点击按钮|post_button|1|8",
    "",
    "网页地址=http://bbs.example.com/(示例论坛网址)",
    "",
    "填写留言信息部份",
    "留言框代码=content_box",
    "代码种类=1(1.代码标识类型_ID)",
    "时间=5秒",
    "",
    "点击留言按钮部分",
    "留言按钮代码=post_button",
    "代码种类=1(1.代码标识类型_ID)",
    "时间=8秒",
};

}  // namespace

QString helpText() {
    QString text;
    for (const char* line : kHelpLines) {
        text += QString::fromUtf8(line);
        text += QStringLiteral("\r\n");
    }
    return text;
}

}  // namespace app
