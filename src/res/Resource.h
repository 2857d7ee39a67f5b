// Numeric ids of the program's dialogs, controls, pictures and strings.
#pragma once

// Dialog templates
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_AVILUMA_DIALOG = 102; // main window
inline constexpr int IDD_DLG_MAP = 129;
inline constexpr int IDD_DLG_RUN = 130;
inline constexpr int IDD_DLG_RECORD = 155; // name entry
inline constexpr int IDD_DLG_GAMETYPE = 165;
inline constexpr int IDD_DLG_DEBRIEF = 170; // the flight debrief
inline constexpr int IDD_DLG_LESSON = 171;  // the first-flight lesson

// The standard OK button of a dialog
inline constexpr int IDOK = 1;

// Icons
inline constexpr int IDR_MAINFRAME = 128;     // application
inline constexpr int IDI_PORT_OPEN = 133;     // port with a green tick
inline constexpr int IDI_PORT_CLOSED = 134;   // port with a red cross
inline constexpr int IDI_LINK_GOOD = 135;     // signal bars, all green
inline constexpr int IDI_LINK_NONE = 136;     // all amber
inline constexpr int IDI_LINK_WEAK = 137;     // partly green, partly amber
inline constexpr int IDI_CLOSE = 147;         // red disc, white cross
inline constexpr int IDI_LEVEL_OPEN = 150;    // bright star
inline constexpr int IDI_START_RUNNING = 159; // start key while a game runs
inline constexpr int IDI_START = 160;         // start key at rest
inline constexpr int IDI_LEVEL_LOCKED = 161;  // dark star
inline constexpr int IDI_CLEAR = 162;         // two arrows in a circle

// Backgrounds, 800 x 600
inline constexpr int IDB_MAP = 153;
inline constexpr int IDB_MAIN = 156;
inline constexpr int IDB_RUN = 157;
inline constexpr int IDB_DEBRIEF = 158;
inline constexpr int IDB_LESSON = 163;

// Controls
inline constexpr int IDC_BTN_LEVEL = 1000;
inline constexpr int IDC_BTN_WILD = 1001;
inline constexpr int IDC_BTN_ENDLESS = 1002;
inline constexpr int IDC_BTN_CONNECT = 1003;
inline constexpr int IDC_BTN_LINKSTATE = 1004;
inline constexpr int IDC_BTN_LEVEL1 = 1005; // levels 1..10: 1005..1014
inline constexpr int IDC_BTN_START = 1015;
inline constexpr int IDC_STC_SCORE = 1016;
inline constexpr int IDC_STC_ATTITUDE_FRAME = 1017;
inline constexpr int IDC_BTN_CLOSE = 1018;
inline constexpr int IDC_STC_TITLE = 1019;
inline constexpr int IDC_STC_METER_FRAME = 1020;
inline constexpr int IDC_BTN_CLEAR = 1021; // also the name edit of the name entry
inline constexpr int IDC_EDIT_NAME = 1021;
inline constexpr int IDC_BTN_TAKE_NAME = 1022;
inline constexpr int IDC_STC_RECORD1 = 1023; // 1023..1025
inline constexpr int IDC_STC_STATUS = 1026;
inline constexpr int IDC_STC_ATTITUDE = 1027;
inline constexpr int IDC_BTN_PRACTICE = 1029;
inline constexpr int IDC_BTN_COMPETITION = 1030;
inline constexpr int IDC_STC_VERSION = 1031; // the About box's line with the version: %1 is replaced by it
// The flight debrief
inline constexpr int IDC_BTN_TAB_REPLAY = 1032;
inline constexpr int IDC_BTN_TAB_PROGRESS = 1033;
inline constexpr int IDC_STC_CHART = 1034;
inline constexpr int IDC_STC_INFO1 = 1035; // 1035..1043: the panel's nine lines
inline constexpr int kDebriefInfoLines = 9;
inline constexpr int IDC_BTN_PREV = 1044;
inline constexpr int IDC_BTN_NEXT = 1045;
inline constexpr int IDC_BTN_PREV_GAME = 1046;
inline constexpr int IDC_BTN_NEXT_GAME = 1047;
inline constexpr int IDC_BTN_EXPORT_GAME = 1048;
inline constexpr int IDC_BTN_EXPORT_ALL = 1049;
inline constexpr int IDC_STC_HINT = 1050;
inline constexpr int IDC_STC_EXPORTED = 1051;
inline constexpr int IDC_BTN_TAB_OVERVIEW = 1070; // the debrief's third tab: every player's figures
inline constexpr int IDC_STC_NAME_REASON = 1052; // the name entry's line on the score it is for
inline constexpr int IDC_STC_GUIDE = 1053;       // the run window's line on what comes next
// The first-flight lesson (and IDC_STC_HINT for its keys)
inline constexpr int IDC_STC_TARGET = 1054; // where the dot and the box go
inline constexpr int IDC_STC_LESSON_TRY = 1055;
inline constexpr int IDC_STC_LESSON_LINE = 1056; // what to do now
inline constexpr int IDC_STC_COUNTDOWN = 1057;
inline constexpr int IDC_STC_LESSON_HELP = 1058;
