#include "res/DialogTemplates.h"

#include "res/Resource.h"

namespace {

using K = ControlKind;

// The texts a player reads are marked for translation; the dialog shell shows them through Tr().

constexpr ControlTemplate kAbout[] = {
    {IDR_MAINFRAME, K::Static, {14, 14, 21, 20}, u""},
    {IDC_STC_VERSION, K::Static, {42, 14, 122, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "Aviluma，%1版")},
    {IDOK, K::PushButton, {113, 41, 50, 14}, u"" QT_TRANSLATE_NOOP("Aviluma", "确定")},
};

constexpr ControlTemplate kMain[] = {
    {IDC_BTN_LEVEL, K::PushButton, {72, 81, 63, 26}, u""},
    {IDC_BTN_WILD, K::PushButton, {198, 81, 63, 26}, u""},
    {IDC_BTN_ENDLESS, K::PushButton, {327, 81, 63, 26}, u""},
    {IDC_BTN_CONNECT, K::PushButton, {4, 259, 33, 21}, u""},
    {IDC_BTN_LINKSTATE, K::PushButton, {423, 253, 36, 27}, u""},
    {IDC_BTN_CLOSE, K::PushButton, {434, 3, 21, 17}, u""},
    {IDC_STC_TITLE, K::Static, {5, 5, 113, 14}, u"Static"},
};

constexpr ControlTemplate kMap[] = {
    {IDC_BTN_LEVEL1 + 0, K::PushButton, {215, 186, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 1, K::PushButton, {158, 158, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 2, K::PushButton, {189, 140, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 3, K::PushButton, {148, 117, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 4, K::PushButton, {194, 91, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 5, K::PushButton, {239, 96, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 6, K::PushButton, {253, 121, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 7, K::PushButton, {287, 129, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 8, K::PushButton, {325, 144, 25, 21}, u""},
    {IDC_BTN_LEVEL1 + 9, K::PushButton, {377, 122, 25, 21}, u""},
    {IDC_BTN_CLOSE, K::PushButton, {434, 3, 21, 18}, u""},
    {IDC_STC_TITLE, K::Static, {5, 5, 151, 15}, u"Aviluma"},
};

constexpr ControlTemplate kRun[] = {
    {IDC_STC_SCORE, K::Static, {342, 168, 85, 23}, u"Static"},
    {IDC_STC_ATTITUDE_FRAME, K::BlackFrame, {125, 29, 185, 162}, u""},
    {IDC_BTN_START, K::PushButton, {213, 248, 31, 28}, u""},
    {IDC_BTN_CLOSE, K::PushButton, {434, 3, 21, 18}, u""},
    {IDC_STC_TITLE, K::Static, {5, 5, 227, 13}, u"Static"},
    {IDC_STC_METER_FRAME, K::BlackFrame, {67, 29, 57, 162}, u""},
    {IDC_STC_RECORD1 + 0, K::Static, {325, 69, 136, 22}, u"Static"},
    {IDC_STC_RECORD1 + 1, K::Static, {325, 95, 136, 22}, u"Static"},
    {IDC_STC_RECORD1 + 2, K::Static, {325, 121, 136, 22}, u"Static"},
    {IDC_STC_STATUS, K::Static, {315, 27, 130, 22}, u"Static"},
    {IDC_STC_ATTITUDE, K::Static, {194, 195, 118, 14}, u"Static"},
    {IDC_BTN_CLEAR, K::PushButton, {219, 284, 20, 17}, u""},
    {IDC_STC_GUIDE, K::Static, {236, 5, 194, 13}, u""},
};

// Full window, 400 x 300 dialog units: two pixels each.
constexpr ControlTemplate kDebrief[] = {
    {IDC_STC_TITLE, K::Static, {6, 5, 204, 12}, u"Static"},
    {IDC_BTN_CLOSE, K::PushButton, {376, 4, 20, 17}, u""},
    {IDC_BTN_TAB_REPLAY, K::PushButton, {10, 29, 70, 17}, u"" QT_TRANSLATE_NOOP("Aviluma", "飞行回放")},
    {IDC_BTN_TAB_PROGRESS, K::PushButton, {85, 29, 70, 17}, u"" QT_TRANSLATE_NOOP("Aviluma", "训练记录")},
    {IDC_BTN_TAB_OVERVIEW, K::PushButton, {160, 29, 70, 17}, u"" QT_TRANSLATE_NOOP("Aviluma", "成绩概览")},
    {IDC_STC_CHART, K::BlackFrame, {12, 52, 266, 166}, u""},
    {IDC_STC_INFO1 + 0, K::Static, {290, 56, 96, 14}, u""},
    {IDC_STC_INFO1 + 1, K::Static, {290, 74, 96, 14}, u""},
    {IDC_STC_INFO1 + 2, K::Static, {290, 92, 96, 14}, u""},
    {IDC_STC_INFO1 + 3, K::Static, {290, 110, 96, 14}, u""},
    {IDC_STC_INFO1 + 4, K::Static, {290, 128, 96, 14}, u""},
    {IDC_STC_INFO1 + 5, K::Static, {290, 146, 96, 14}, u""},
    {IDC_STC_INFO1 + 6, K::Static, {290, 164, 96, 14}, u""},
    {IDC_STC_INFO1 + 7, K::Static, {290, 182, 96, 14}, u""},
    {IDC_STC_INFO1 + 8, K::Static, {290, 200, 96, 14}, u""},
    {IDC_BTN_PREV, K::PushButton, {10, 229, 55, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "◀ 上一次")},
    {IDC_BTN_NEXT, K::PushButton, {70, 229, 55, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "下一次 ▶")},
    {IDC_BTN_PREV_GAME, K::PushButton, {135, 229, 55, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "◀ 上一局")},
    {IDC_BTN_NEXT_GAME, K::PushButton, {195, 229, 55, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "下一局 ▶")},
    {IDC_BTN_EXPORT_GAME, K::PushButton, {288, 229, 49, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "导出本局")},
    {IDC_BTN_EXPORT_ALL, K::PushButton, {341, 229, 49, 20}, u"" QT_TRANSLATE_NOOP("Aviluma", "导出全部")},
    {IDC_STC_HINT, K::Static, {10, 261, 380, 12}, u""},
    {IDC_STC_EXPORTED, K::Static, {10, 276, 380, 12}, u""},
};

// Full window, 400 x 300 dialog units: two pixels each.
constexpr ControlTemplate kLesson[] = {
    {IDC_STC_TITLE, K::Static, {6, 5, 204, 12}, u"Static"},
    {IDC_BTN_CLOSE, K::PushButton, {376, 4, 20, 17}, u""},
    {IDC_STC_TARGET, K::BlackFrame, {17, 37, 190, 190}, u""},
    {IDC_STC_LESSON_TRY, K::Static, {233, 39, 150, 15}, u""},
    {IDC_STC_LESSON_LINE, K::Static, {233, 58, 150, 50}, u""},
    {IDC_STC_COUNTDOWN, K::Static, {233, 117, 150, 34}, u""},
    {IDC_STC_LESSON_HELP, K::Static, {233, 159, 150, 68}, u""},
    {IDC_STC_HINT, K::Static, {15, 246, 370, 44}, u""},
};

constexpr ControlTemplate kRecord[] = {
    {IDC_BTN_TAKE_NAME, K::PushButton, {141, 19, 35, 14}, u"" QT_TRANSLATE_NOOP("Aviluma", "输  入")},
    {IDC_EDIT_NAME, K::Edit, {65, 19, 72, 14}, u""},
    {-1, K::Static, {14, 22, 48, 8}, u"" QT_TRANSLATE_NOOP("Aviluma", "请输入你的姓名:")},
    {IDC_STC_NAME_REASON, K::Static, {14, 40, 162, 12}, u""},
};

constexpr ControlTemplate kGameType[] = {
    {IDC_BTN_PRACTICE, K::PushButton, {30, 21, 56, 24}, u"" QT_TRANSLATE_NOOP("Aviluma", "练习模式")},
    {IDC_BTN_COMPETITION, K::PushButton, {103, 21, 56, 24}, u"" QT_TRANSLATE_NOOP("Aviluma", "比赛模式")},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_ABOUTBOX,
     {170, 62},
     u"" QT_TRANSLATE_NOOP("Aviluma", "关于 Aviluma"),
     u"MS Shell Dlg",
     8,
     false,
     kAbout},
    {IDD_AVILUMA_DIALOG, {466, 283}, u"Aviluma", u"微软雅黑", 9, true, kMain},
    {IDD_DLG_MAP, {461, 307}, u"Dialog", u"微软雅黑", 8, true, kMap},
    {IDD_DLG_RUN, {468, 301}, u"Dialog", u"微软雅黑", 8, true, kRun},
    {IDD_DLG_RECORD,
     {190, 59},
     u"" QT_TRANSLATE_NOOP("Aviluma", "记录创建者信息录入"),
     u"微软雅黑",
     16,
     false,
     kRecord},
    {IDD_DLG_GAMETYPE, {191, 66}, u"", u"MS Shell Dlg", 8, false, kGameType},
    {IDD_DLG_DEBRIEF, {400, 300}, u"Dialog", u"微软雅黑", 8, true, kDebrief},
    {IDD_DLG_LESSON, {400, 300}, u"Dialog", u"微软雅黑", 8, true, kLesson},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialog : kDialogs)
        if (dialog.id == id)
            return &dialog;
    return nullptr;
}
