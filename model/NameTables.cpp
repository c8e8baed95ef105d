#include "model/NameTables.h"

#include "platform/base/WideChar.h"

#include <iterator>
#include <span>
#include <string>
#include <unordered_map>

namespace {

struct NameEntry {
    LONG key;
    const WCHAR* name;
};

struct ColourEntry {
    COLORREF colour;
    const WCHAR* name;
};

constexpr NameEntry kCommandKeys[] = {
    {1, u"$cut"},           {2, u"$copy"},         {3, u"$paste"},        {4, u"$undo"},
    {5, u"$all"},           {6, u"$find"},         {7, u"$new"},          {8, u"$print"},
    {9, u"$save"},          {10, u"$swapwindows"}, {11, u"$closewindow"}, {12, u"$lockpc"},
    {13, u"$openexplorer"}, {14, u"$run"},         {15, u"$showdesktop"}, {16, u"$zoomin"},
    {17, u"$zoomout"},
};

// Kinds 5/6 share "$macro" and 24/25 share "$profile"; reverse lookups yield the lower one.
constexpr NameEntry kAssignmentKeys[] = {
    {0, u"$click"},
    {1, u"$menu"},
    {2, u"$universalscrolling"},
    {3, u"$Double-Click"},
    {4, u"$SingleKey"},
    {5, u"$macro"},
    {6, u"$macro"},
    {7, u"$buttonoff"},
    {8, u"$advanced"},
    {9, u"$on-the-flysensitivity"},
    {10, u"$button4"},
    {11, u"$button5"},
    {12, u"$button6"},
    {13, u"$button7"},
    {14, u"$button8"},
    {15, u"$button9"},
    {16, u"$SensitivityStageUp"},
    {17, u"$SensitivityStageDown"},
    {18, u"$SensitivityStages"},
    {19, u"$dpistage1"},
    {20, u"$dpistage2"},
    {21, u"$dpistage3"},
    {22, u"$dpistage4"},
    {23, u"$dpistage5"},
    {24, u"$profile"},
    {25, u"$profile"},
    {26, u"$profileup"},
    {27, u"$profiledown"},
    {28, u"$profile1"},
    {29, u"$profile2"},
    {30, u"$profile3"},
    {31, u"$profile4"},
    {32, u"$profile5"},
    {33, u"$play"},
    {34, u"$stop"},
    {35, u"$Backward"},
    {36, u"$Forward"},
    {37, u"$pause"},
    {38, u"$volumeup"},
    {39, u"$volumedown"},
    {40, u"$mute"},
    {41, u"$skipback"},
    {42, u"$skipforward"},
    {43, u"$scrollup"},
    {44, u"$scrolldown"},
    {45, u"$cut"},
    {46, u"$copy"},
    {47, u"$paste"},
    {48, u"$undo"},
    {49, u"$all"},
    {50, u"$find"},
    {51, u"$new"},
    {52, u"$print"},
    {53, u"$save"},
    {54, u"$swapwindows"},
    {55, u"$closewindow"},
    {56, u"$lockpc"},
    {57, u"$openexplorer"},
    {58, u"$run"},
    {59, u"$showdesktop"},
    {60, u"$zoomin"},
    {61, u"$zoomout"},
    {62, u"$dpisetting"},
    {63, u"$profilesetting"},
    {64, u"$selectfun"},
    {65, u"$launchprogram"},
};

// Ids 11, 329 and 347 are not used.
static_assert(std::size(kAssignmentKeys) == 66, "one key per assignment kind");

constexpr NameEntry kSkinItemNames[] = {
    {0, u"BACKGROUND"},
    {1, u"MASK"},
    {2, u"NORMAL"},
    {3, u"OVER"},
    {4, u"DOWN"},
    {5, u"DISABLED"},
    {6, u"BUTTON_HELP"},
    {7, u"BUTTON_EXIT"},
    {8, u"BUTTON_OK"},
    {9, u"BUTTON_APPLY"},
    {10, u"BUTTON_CANCEL"},
    {12, u"BUTTON_ASSNLEFTCLICK"},
    {13, u"BUTTON_ASSNRIGHTCLICK"},
    {14, u"BUTTON_ASSNSCROLLBUTTON"},
    {15, u"BUTTON_ASSNSCROLLUP"},
    {16, u"BUTTON_ASSNSCROLLDOWN"},
    {17, u"BUTTON_ASSNRSIDEFRONT"},
    {18, u"BUTTON_ASSNRSIDEREAR"},
    {19, u"BUTTON_ASSNLSIDEFRONT"},
    {20, u"BUTTON_ASSNLSIDEREAR"},
    {21, u"BUTTON_ASSNCENTREFRONT"},
    {22, u"BUTTON_ASSNCENTREREAR"},
    {23, u"BUTTON_ASSNTHUMBGRID01"},
    {24, u"BUTTON_ASSNTHUMBGRID02"},
    {25, u"BUTTON_ASSNTHUMBGRID03"},
    {26, u"BUTTON_ASSNTHUMBGRID04"},
    {27, u"BUTTON_ASSNTHUMBGRID05"},
    {28, u"BUTTON_ASSNTHUMBGRID06"},
    {29, u"BUTTON_ASSNTHUMBGRID07"},
    {30, u"BUTTON_ASSNTHUMBGRID08"},
    {31, u"BUTTON_ASSNTHUMBGRID09"},
    {32, u"BUTTON_ASSNTHUMBGRID10"},
    {33, u"BUTTON_ASSNTHUMBGRID11"},
    {34, u"BUTTON_ASSNTHUMBGRID12"},
    {35, u"BUTTON_ASSNLEFTCLICKFRONT"},
    {36, u"BUTTON_ASSNLEFTCLICKREAR"},
    {37, u"BUTTON_SETTING"},
    {38, u"BUTTON_RATE1"},
    {39, u"BUTTON_RATE2"},
    {40, u"BUTTON_RATE3"},
    {41, u"BUTTON_DPI_STAGE1"},
    {42, u"BUTTON_DPI_STAGE2"},
    {43, u"BUTTON_DPI_STAGE3"},
    {44, u"BUTTON_DPI_STAGE4"},
    {45, u"BUTTON_DPI_STAGE5"},
    {46, u"BUTTON_DPI_UP"},
    {47, u"BUTTON_DPI_DOWN"},
    {48, u"BUTTON_WINDOWS4"},
    {49, u"BUTTON_WINDOWS5"},
    {50, u"BUTTON_PROFILE01"},
    {51, u"BUTTON_PROFILE02"},
    {52, u"BUTTON_PROFILE03"},
    {53, u"BUTTON_PROFILE04"},
    {54, u"BUTTON_PROFILE05"},
    {55, u"BUTTON_PROFILE_UP"},
    {56, u"BUTTON_PROFILE_DOWN"},
    {57, u"SCROLL_LEDON"},
    {58, u"SCROLL_LEDOFF"},
    {59, u"SCROLL_COLOR"},
    {60, u"GLOW_LEDON"},
    {61, u"GLOW_LEDOFF"},
    {62, u"LOGO_COLOR"},
    {63, u"SNAKE_LEDON"},
    {64, u"SNAKE_LEDOFF"},
    {65, u"UPDATE"},
    {66, u"SHOW_SCREEN"},
    {67, u"AUTO_SWITCH"},
    {68, u"SCROLL_BUTTON_OFF"},
    {69, u"UNDER_GLOW_OFF"},
    {70, u"SNAKE_LOGO_OFF"},
    {71, u"BATTERY"},
    {72, u"DISPLAYGUI"},
    {73, u"BUTTON_PROFILE"},
    {74, u"BUTTON_SWAP_WINDOWS"},
    {75, u"BUTTON_CLOSE_WINDOWS"},
    {76, u"BUTTON_LOCK_PC"},
    {77, u"BUTTON_OPEN_EXPLORER"},
    {78, u"BUTTON_RUN"},
    {79, u"BUTTON_SHOW_DESKTOP"},
    {80, u"BUTTON_ZOOM_IN"},
    {81, u"BUTTON_ZOOM_OUT"},
    {82, u"BUTTON_EXPAND"},
    {83, u"BUTTON_ACCL"},
    {84, u"BUTTON_ENABLEXY"},
    {85, u"BUTTON_ENABLEXY_POPUP"},
    {86, u"BUTTON_ENABLEACCELERATION"},
    {87, u"BUTTON_CUT"},
    {88, u"BUTTON_COPY"},
    {89, u"BUTTON_PAST"},
    {90, u"BUTTON_UNDO"},
    {91, u"BUTTON_ALL"},
    {92, u"BUTTON_FIND"},
    {93, u"BUTTON_NEW"},
    {94, u"BUTTON_PRINT"},
    {95, u"BUTTON_SAVE"},
    {96, u"BUTTON_LOAD"},
    {97, u"BUTTON_RESET"},
    {98, u"BUTTON_UPDATE"},
    {99, u"BUTTON_CHECKBOX_AUTOSAVE"},
    {100, u"BUTTON_CLOSE"},
    {101, u"BUTTON_FLY"},
    {102, u"BUTTON_SINGLE"},
    {103, u"BUTTON_MACRO"},
    {104, u"BUTTON_SCROLL_UP"},
    {105, u"BUTTON_SCROLL_DOWN"},
    {106, u"BUTTON_BASIC"},
    {107, u"BUTTON_ADDITIONAL"},
    {108, u"BUTTON_MEDIA"},
    {109, u"BUTTON_DELAY"},
    {110, u"BUTTON_PLAY"},
    {111, u"BUTTON_STOP"},
    {112, u"BUTTON_PREVIOUS"},
    {113, u"BUTTON_NEXT"},
    {114, u"BUTTON_PAUSE"},
    {115, u"BUTTON_VOLUME_UP"},
    {116, u"BUTTON_VOLUME_DOWN"},
    {117, u"BUTTON_MUTE"},
    {118, u"BUTTON_SKIP_BACK"},
    {119, u"BUTTON_SKIP_FORWARD"},
    {120, u"BUTTON_CLICK"},
    {121, u"BUTTON_MENU"},
    {122, u"BUTTON_UNIVERSAL"},
    {123, u"BUTTON_DOUBLE"},
    {124, u"BUTTON_SELECT"},
    {125, u"BUTTON_ASSIGN"},
    {126, u"BUTTON_DPI_SETTING"},
    {127, u"BUTTON_SWITCH_PROFILE"},
    {128, u"BUTTON_BACK"},
    {129, u"BUTTON_FORWARD"},
    {130, u"BUTTON_OFA"},
    {131, u"BUTTON_OFF"},
    {132, u"BUTTON_SCROLL"},
    {133, u"BUTTON_OFAON"},
    {134, u"BUTTON_OFAON_FLAG"},
    {135, u"BUTTON_OFAOFF"},
    {136, u"BUTTON_OFAOFF_FLAG"},
    {137, u"BUTTON_OFASHOW"},
    {138, u"BUTTON_SHRINK"},
    {139, u"BUTTON_RESETPROFILE"},
    {140, u"BUTTON_NEWPROFILE"},
    {141, u"BUTTON_IMPORTPROFILE"},
    {142, u"BUTTON_EXPORTPROFILE"},
    {143, u"BUTTON_SAVEPROFILE"},
    {144, u"BUTTON_DELETEPROFILE"},
    {145, u"BUTTON_RESETCONFIG"},
    {146, u"BUTTON_LOADCONFIG"},
    {147, u"BUTTON_SAVECONFIG"},
    {148, u"BUTTON_AVI"},
    {149, u"BUTTON_APM_ADD_COLOR"},
    {150, u"BUTTON_APM_DEL_COLOR"},
    {151, u"BUTTON_APM_APY_COLOR"},
    {152, u"BUTTON_APM_CHOSEN_COLOR"},
    {153, u"BUTTON_POPUP_OK"},
    {154, u"BUTTON_POPUP_CANCEL"},
    {155, u"BUTTON_POPUP_APPLY"},
    {156, u"BUTTON_MACRO_CREATE"},
    {157, u"BUTTON_MACRO_SAVE"},
    {158, u"BUTTON_MACRO_EXPORT"},
    {159, u"BUTTON_MACRO_IMPORT"},
    {160, u"BUTTON_MACRO_DELETE"},
    {161, u"BUTTON_MACRO_RECORD"},
    {162, u"BUTTON_MACRO_ADVANCED"},
    {163, u"BUTTON_IGNORE_DELAY"},
    {164, u"BUTTON_INSERTDEFAULT_DELAY"},
    {165, u"BUTTON_SENSITIVITY_STAGES"},
    {166, u"BUTTON_ENABLE_PROFILE_OSD"},
    {167, u"BUTTON_ENABLE_DPI_OSD"},
    {168, u"BUTTON_KEYASSIGN_123NUM_123"},
    {169, u"BUTTON_KEYASSIGN_123NUM_NUM"},
    {170, u"BUTTON_DISABLE_KEYS"},
    {171, u"SLIDER_DPI_MULTI"},
    {172, u"SLIDER_DPI_MULTI_X"},
    {173, u"SLIDER_DPI_MULTI_Y"},
    {174, u"SLIDER_DPI_MULTI_POPUP"},
    {175, u"SLIDER_DPI_MULTI_X_POPUP"},
    {176, u"SLIDER_DPI_MULTI_Y_POPUP"},
    {177, u"SLIDER_DPI_MULTI_STAGE1_POPUP"},
    {178, u"SLIDER_DPI_MULTI_STAGE1_X_POPUP"},
    {179, u"SLIDER_DPI_MULTI_STAGE1_Y_POPUP"},
    {180, u"SLIDER_APM_MULTI"},
    {181, u"SLIDER_APM_MULTI_STAGE1"},
    {182, u"SLIDER_APM_MULTI_STAGE2"},
    {183, u"SLIDER_DPI_MULTI_STAGE1"},
    {184, u"SLIDER_DPI_MULTI_STAGE2"},
    {185, u"SLIDER_DPI_MULTI_STAGE3"},
    {186, u"SLIDER_DPI_MULTI_STAGE4"},
    {187, u"SLIDER_DPI_MULTI_STAGE5"},
    {188, u"SLIDER_DPI_MULTI_X_STAGE1"},
    {189, u"SLIDER_DPI_MULTI_X_STAGE2"},
    {190, u"SLIDER_DPI_MULTI_X_STAGE3"},
    {191, u"SLIDER_DPI_MULTI_X_STAGE4"},
    {192, u"SLIDER_DPI_MULTI_X_STAGE5"},
    {193, u"SLIDER_DPI_MULTI_Y_STAGE1"},
    {194, u"SLIDER_DPI_MULTI_Y_STAGE2"},
    {195, u"SLIDER_DPI_MULTI_Y_STAGE3"},
    {196, u"SLIDER_DPI_MULTI_Y_STAGE4"},
    {197, u"SLIDER_DPI_MULTI_Y_STAGE5"},
    {198, u"SLIDER_ID_SENSX"},
    {199, u"SLIDER_ID_SENSY"},
    {200, u"SLIDER_ID_SPEED"},
    {201, u"SLIDER_ID_ACCEL"},
    {202, u"SLIDER_ID_ACCELDISB"},
    {203, u"SLIDER_ACCEL_STAGE1"},
    {204, u"SLIDER_ACCEL_STAGE1DISB"},
    {205, u"SLIDER_SENSITIVITY"},
    {206, u"SLIDER_SCROLL"},
    {207, u"SLIDER_DOUBLECLICK"},
    {208, u"MACRO_DISPLAY"},
    {209, u"MACRO_DISPLAY_READONLY"},
    {210, u"BUTTON_ASSIGNBUTTONS"},
    {211, u"BUTTON_ADJUSTPERFORMANCE"},
    {212, u"BUTTON_MANAGEPROFILES"},
    {213, u"BUTTON_MANAGEMACROS"},
    {214, u"BUTTON_LIGHTINGMAINTENANCE"},
    {215, u"BUTTON_ADDONS"},
    {216, u"INDICATOR_WIRED"},
    {217, u"INDICATOR_WIRELESS"},
    {218, u"BITMAP_MIRUNE"},
    {219, u"BITMAP_VIEWPLAN"},
    {220, u"BITMAP_VIEWSIDE"},
    {221, u"BITMAP_BUTTONNUMSTRIP"},
    {222, u"BITMAP_BUTTONNUMSTRIP12"},
    {223, u"BITMAP_VERTICALBARVIEWS"},
    {224, u"BITMAP_HORIZONTALBARLONG"},
    {225, u"BITMAP_VERTICALBARLONG"},
    {226, u"TEXT_PROFILEINFO"},
    {227, u"TEXT_PROFILENAME"},
    {228, u"FONT_ARIALNARROW12"},
    {229, u"FONT_ARIALNARROW14"},
    {230, u"FONT_ARIAL10"},
    {231, u"FONT_ARIAL12"},
    {232, u"FONT_ARIAL12B"},
    {233, u"FONT_ARIAL14B"},
    {234, u"FONT_ARIAL14"},
    {235, u"FONT_ARIAL16B"},
    {236, u"FONT_ARIAL16"},
    {237, u"FONT_ARIAL18"},
    {238, u"FONT_ARIAL18B"},
    {239, u"FONT_ARIAL12_BUTTON"},
    {240, u"FONT_ARIAL14_BUTTON"},
    {241, u"FONT_DINREGULAR12"},
    {242, u"FONT_TOLVILIGHT14B"},
    {243, u"FONT_TOLVIREG13"},
    {244, u"FONT_TOLVIREG15B"},
    {245, u"FONT_TOLVIREG18"},
    {246, u"FONT_TOLVIREG36B"},
    {247, u"BITMAP_SLSENSTRK_X"},
    {248, u"BITMAP_SLSENSTRK_Y"},
    {249, u"BITMAP_SLSENSTRK_XY"},
    {250, u"BITMAP_SLSENSTRK_X_POPUP"},
    {251, u"BITMAP_SLSENSTRK_Y_POPUP"},
    {252, u"BITMAP_SLSENSTRK_XY_POPUP"},
    {253, u"BITMAP_SLACCLTRK"},
    {254, u"BITMAP_SLACCLTRKDISB"},
    {255, u"BITMAP_APM_SLIDER"},
    {256, u"BITMAP_APM_CHOSEN_COLOR"},
    {257, u"BITMAP_APM_BACKGROUND"},
    {258, u"BITMAP_APM_LOWER_LIMIT"},
    {259, u"BITMAP_APM_UPPER_LIMIT"},
    {260, u"BITMAP_ASSNBTNNUM"},
    {261, u"TEXT_ASSIGNBUTTONS"},
    {262, u"TEXT_CURRENTDPI"},
    {263, u"TEXT_DPI1"},
    {264, u"TEXT_DPI2"},
    {265, u"TEXT_DPIVALUE1"},
    {266, u"TEXT_DPIVALUE2"},
    {267, u"TEXT_HEADING_X"},
    {268, u"TEXT_HEADING_Y"},
    {269, u"TEXT_ENABLEXY"},
    {270, u"TEXT_ENABLEXY_POPUP"},
    {271, u"TEXT_ENABLEOTFS"},
    {272, u"TEXT_ENABLEACCELERATION"},
    {273, u"TEXT_ACCELERATION"},
    {274, u"TEXT_APPLIESTOALL"},
    {275, u"TEXT_POLLINGRATE"},
    {276, u"TEXT_POLLINGRATEMSG"},
    {277, u"TEXT_LIGHTINGHEADING"},
    {278, u"TEXT_MAINTENANCEHEADING"},
    {279, u"TEXT_SCROLLWHEEL"},
    {280, u"TEXT_LOGO"},
    {281, u"TEXT_FIRMWAREVER"},
    {282, u"TEXT_DRIVERVER"},
    {283, u"TEXT_ADDONHEADING"},
    {284, u"TEXT_ADDONPARA1"},
    {285, u"TEXT_ADDONPARA2"},
    {286, u"TEXT_WARNDLG_HEADING"},
    {287, u"TEXT_WARNDLG_MESSAGE"},
    {288, u"TEXT_NODELETE_MESSAGE"},
    {289, u"TEXT_APM_LOWER_LIMIT_DESC"},
    {290, u"TEXT_APM_UPPER_LIMIT_DESC"},
    {291, u"TEXT_APM_LOWER_LIMIT_VALUE"},
    {292, u"TEXT_APM_UPPER_LIMIT_VALUE"},
    {293, u"TEXT_CURRENTKEY"},
    {294, u"TEXT_INSERT_BASIC_COMMAND"},
    {295, u"TEXT_INSERT_ADDITIONAL_COMMAND"},
    {296, u"TEXT_MACRO_NAME"},
    {297, u"TEXT_CURRENTMACROASSIGNMENT"},
    {298, u"TEXT_MACROEVENTS"},
    {299, u"TEXT_MACROLIST_HEADING"},
    {300, u"TEXT_IGNORE_DELAY"},
    {301, u"TEXT_INSERTDEFAULT_DELAY"},
    {302, u"TEXT_INSERTDEFAULT_DELAY_MS"},
    {303, u"TEXT_ASSIGNBUTTONS_HEADING"},
    {304, u"TEXT_MOUSEWHEEL_OPTIONS_HEADING"},
    {305, u"TEXT_THUMBGRIDVIEW_HEADING"},
    {306, u"TEXT_THUMBGRIDVIEW_BUTTON"},
    {307, u"TEXT_TOPVIEW_BUTTON"},
    {308, u"TEXT_TOPVIEW_HEADING"},
    {309, u"TEXT_SENSITIVITYSTAGE_HEADING"},
    {310, u"TEXT_NUMSTAGES_LABEL"},
    {311, u"TEXT_ENABLE_PROFILE_OSD"},
    {312, u"TEXT_ENABLE_DPI_OSD"},
    {313, u"TEXT_INFO_PROFILE_OPTIONS"},
    {314, u"BUTTON_CHECKADDONS"},
    {315, u"BITMAP_SENSWINDOW1"},
    {316, u"BITMAP_SENSWINDOW2"},
    {317, u"BITMAP_TOLVILOGO"},
    {318, u"BUTTON_SENSSTAGES"},
    {319, u"BITMAP_PROFILEWINDOW"},
    {320, u"LANGUAGE_DEFAULT"},
    {321, u"LANGUAGE_CHINESE_SIMPLIFIED"},
    {322, u"LANGUAGE_CHINESE_TRADITIONAL"},
    {323, u"LANGUAGE_FRENCH"},
    {324, u"LANGUAGE_FRENCHCANADIAN"},
    {325, u"LANGUAGE_GERMAN"},
    {326, u"LANGUAGE_KOREAN"},
    {327, u"LANGUAGE_RUSSIAN"},
    {328, u"LANGUAGE_JAPANESE"},
    {330, u"BITMAPWIN_ASSIGNKEY"},
    {331, u"LIST_PROFILELIST"},
    {332, u"LIST_GLOBALMACROLIST"},
    {333, u"LIST_GLOBAL_BASIC_COMMANDS"},
    {334, u"LIST_GLOBAL_ADDITIONAL_COMMANDS"},
    {335, u"EDITCTRL_POPUP_NAMEENTRY"},
    {336, u"EDITCTRL_POPUP_SINGLEKEYENTRY"},
    {337, u"EDITCTRL_DEFAULT_DELAY"},
    {338, u"DPISTAGEWINDOW_01"},
    {339, u"DPISTAGEWINDOW_02"},
    {340, u"DPISTAGEWINDOW_03"},
    {341, u"DPISTAGEWINDOW_04"},
    {342, u"DPISTAGEWINDOW_05"},
    {343, u"BITMAP_STAGECOUNT_DISPLAY"},
    {344, u"BUTTON_DPISTAGES_DEC"},
    {345, u"BUTTON_DPISTAGES_INC"},
    {346, u"BUTTON_DPISTAGES_OK"},
    {348, u"BUTTON_DPISTAGES_CANCEL"},
    {349, u"TEXT_NUMSTAGES"},
    {350, u"TEXT_PREVIEW_01"},
    {351, u"TEXT_PREVIEW_02"},
    {352, u"TEXT_PREVIEW_03"},
    {353, u"TEXT_PREVIEW_04"},
    {354, u"TEXT_PREVIEW_05"},
    {355, u"TEXT_PREVIEW_06"},
    {356, u"TEXT_PREVIEW_07"},
    {357, u"TEXT_PREVIEW_08"},
    {358, u"TEXT_PREVIEW_09"},
    {359, u"TEXT_PREVIEW_10"},
    {360, u"TEXT_PREVIEW_11"},
    {361, u"TEXT_PREVIEW_12"},
    {362, u"BUTTON_POPUP_PREVIEW_OK"},
    {363, u"LISTPANEL_PROFILEOPTIONS"},
    {364, u"LISTPANEL_MACROOPTIONS"},
    {365, u"LISTPANEL_MACROOPTIONS2"},
    {366, u"LISTPANEL_ASSIGNSUBMENU_PR"},
    {367, u"LISTPANEL_ASSIGNSUBMENU_MA"},
    {368, u"LISTPANEL_ASSIGNSUBMENU_DPI"},
    {369, u"BUTTON_ADD_BASIC_MACRO_CMDS"},
    {370, u"BUTTON_ADD_ADV_MACRO_CMDS"},
};

constexpr NameEntry kKeyShortNames[] = {
    {0x8, u"BkSp"},      {0x9, u"Tab"},      {0xC, u"Clr"},    {0xD, u"Ret"},   {0x10, u"Shft"},
    {0x11, u"Ctrl"},     {0x12, u"Alt"},     {0x13, u"Pause"}, {0x14, u"CpLk"}, {0x1B, u"Esc"},
    {0x20, u"Spc"},      {0x21, u"PgUp"},    {0x22, u"PgDn"},  {0x23, u"End"},  {0x24, u"Home"},
    {0x25, u"Lft"},      {0x26, u"Up"},      {0x27, u"Rht"},   {0x28, u"Dn"},   {0x29, u"Select"},
    {0x2A, u"Prnt"},     {0x2B, u"Exe"},     {0x2C, u"Print"}, {0x2D, u"Ins"},  {0x2E, u"Del"},
    {0x2F, u"Hlp"},      {0x5B, u"LWin"},    {0x5C, u"RWin"},  {0x5D, u"Apps"}, {0x60, u"Num0"},
    {0x61, u"Num1"},     {0x62, u"Num2"},    {0x63, u"Num3"},  {0x64, u"Num4"}, {0x65, u"Num5"},
    {0x66, u"Num6"},     {0x67, u"Num7"},    {0x68, u"Num8"},  {0x69, u"Num9"}, {0x6A, u"Num*"},
    {0x6B, u"Num+"},     {0x6C, u"NumRet"},  {0x6D, u"Num-"},  {0x6E, u"Num."}, {0x6F, u"Num/"},
    {0x70, u"F1"},       {0x71, u"F2"},      {0x72, u"F3"},    {0x73, u"F4"},   {0x74, u"F5"},
    {0x75, u"F6"},       {0x76, u"F7"},      {0x77, u"F8"},    {0x78, u"F9"},   {0x79, u"F10"},
    {0x7A, u"F11"},      {0x7B, u"F12"},     {0x90, u"Numl"},  {0x91, u"Scrl"}, {0xA0, u"LShft"},
    {0xA1, u"RShft"},    {0xA2, u"LCtrl"},   {0xA3, u"RCtrl"}, {0xA4, u"LAlt"}, {0xA5, u"RAlt"},
    {0xA6, u"Backward"}, {0xA7, u"Forward"},
};

constexpr ColourEntry kColourNames[] = {
    {0x000000FF, u"RED"},     {0x0000FF00, u"GREEN"}, {0x00067401, u"GREEN2"},
    {0x00094701, u"GREEN3"},  {0x00FF0000, u"BLUE"},  {0x00000000, u"BLACK"},
    {0x000B0B0B, u"BLACK2"},  {0x00FFFFFF, u"WHITE"}, {0x003A3A3A, u"DARKGREY"},
    {0x005F5F5F, u"MIDGREY"},
};

constexpr NameEntry kLanguageNames[] = {
    {320, u"English"}, {321, u"ChineseSimplified"}, {322, u"ChineseTraditional"},
    {323, u"French"},  {324, u"FrenchCanadian"},    {325, u"German"},
    {326, u"Korean"},  {327, u"Russian"},           {328, u"Japanese"},
};

constexpr NameEntry kListColumnItems[] = {
    {0, u"LCITEM_PROFILEID"},  {1, u"LCITEM_PROFILENAME"},   {2, u"LCITEM_PROFILEEXE"},
    {3, u"LCITEM_AUTOSWITCH"}, {4, u"LCITEM_MCREVENT_ICON"}, {5, u"LCITEM_MCREVENT_DESCRIP"},
};

constexpr NameEntry kCellControlTypes[] = {
    {0, u"ICON"}, {1, u"STATIC"}, {2, u"EDIT"}, {3, u"COMBO"}, {4, u"CHECKBOX"}, {5, u"FILEDIALOG"},
};

constexpr NameEntry kMacroColumnTypes[] = {
    {0, u"ICON"},
    {1, u"STATIC"},
};

NameTable g_commandKeyMap;
NameTable g_assignmentKeyMap;
NameTable g_skinItemNameMap;
NameTable g_keyShortNameMap;
ColourNameTable g_colourNameMap;
NameTable g_languageNameMap;
NameTable g_listColumnItemMap;
NameTable g_cellControlTypeMap;
NameTable g_macroColumnTypeMap;
// The skin item names folded to one case, each with the smallest id of that name (what a walk
// of the table finds first): the skin loader looks names up by the thousand at every start.
std::unordered_map<std::u16string, LONG> g_skinItemIndex;

std::u16string Folded(const WCHAR* text) {
    std::u16string out;
    for (; *text != 0; ++text) {
        out.push_back(FoldCase(*text));
    }
    return out;
}

void Fill(NameTable& table, std::span<const NameEntry> entries) {
    table.clear();
    for (const auto& entry : entries) {
        table.emplace(entry.key, entry.name);
    }
}

// The map is ordered by key, so the first match of the walk is the smallest key.
template <typename Map> LONG FindKey(const Map& table, const WCHAR* text) {
    if (text == nullptr) {
        return -1;
    }
    for (const auto& [key, name] : table) {
        if (_wcsicmp(name, text) == 0) {
            return static_cast<LONG>(key);
        }
    }
    return -1;
}

} // namespace

const NameTable& CommandKeyMap = g_commandKeyMap;
const NameTable& AssignmentKeyMap = g_assignmentKeyMap;
const NameTable& SkinItemNameMap = g_skinItemNameMap;
const NameTable& KeyShortNameMap = g_keyShortNameMap;
const ColourNameTable& ColourNameMap = g_colourNameMap;
const NameTable& LanguageNameMap = g_languageNameMap;
const NameTable& ListColumnItemMap = g_listColumnItemMap;
const NameTable& CellControlTypeMap = g_cellControlTypeMap;
const NameTable& MacroColumnTypeMap = g_macroColumnTypeMap;

void InitNameTables() {
    Fill(g_commandKeyMap, kCommandKeys);
    Fill(g_assignmentKeyMap, kAssignmentKeys);
    Fill(g_skinItemNameMap, kSkinItemNames);
    g_skinItemIndex.clear();
    for (const auto& [key, name] : g_skinItemNameMap) {
        g_skinItemIndex.emplace(Folded(name), static_cast<LONG>(key));
    }
    Fill(g_keyShortNameMap, kKeyShortNames);
    g_colourNameMap.clear();
    for (const auto& entry : kColourNames) {
        g_colourNameMap.emplace(entry.colour, entry.name);
    }
    Fill(g_languageNameMap, kLanguageNames);
    Fill(g_listColumnItemMap, kListColumnItems);
    Fill(g_cellControlTypeMap, kCellControlTypes);
    Fill(g_macroColumnTypeMap, kMacroColumnTypes);
}

const WCHAR* LookupName(const NameTable& table, LONG key) {
    const auto it = table.find(key);
    return it == table.end() ? nullptr : it->second;
}

const WCHAR* LookupColourName(COLORREF colour) {
    const auto it = g_colourNameMap.find(colour);
    return it == g_colourNameMap.end() ? nullptr : it->second;
}

const WCHAR* GetAssignmentKindKey(LONG kind) {
    // The table lists the kinds 0..65 in order, so the kind is its index.
    if (kind < 0 || static_cast<size_t>(kind) >= std::size(kAssignmentKeys)) {
        return nullptr;
    }
    return kAssignmentKeys[static_cast<size_t>(kind)].name;
}

LONG FindCommandKeyId(const WCHAR* text) {
    return FindKey(g_commandKeyMap, text);
}
LONG FindAssignmentKindId(const WCHAR* text) {
    return FindKey(g_assignmentKeyMap, text);
}
LONG FindSkinItemId(const WCHAR* text) {
    if (text == nullptr) {
        return -1;
    }
    const auto found = g_skinItemIndex.find(Folded(text));
    return found == g_skinItemIndex.end() ? -1 : found->second;
}
LONG FindColourByName(const WCHAR* text) {
    return FindKey(g_colourNameMap, text);
}
LONG FindLanguageId(const WCHAR* text) {
    return FindKey(g_languageNameMap, text);
}
LONG FindListColumnItemId(const WCHAR* text) {
    return FindKey(g_listColumnItemMap, text);
}
LONG FindCellControlType(const WCHAR* text) {
    return FindKey(g_cellControlTypeMap, text);
}
LONG FindMacroColumnType(const WCHAR* text) {
    return FindKey(g_macroColumnTypeMap, text);
}
