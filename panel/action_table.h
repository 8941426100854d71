// The action table behind the 45 file and folder buttons. The layout checks, when it
// is compiled, that each row's caption is the caption of its button there.
//
// What a new button needs (a 33rd file button, say), each place that lists the buttons,
// counts them or shows them:
// - here: its row (an EditFile one's target is "notepad " and the file, which
//   actions.cpp checks when it is compiled) and the count of the static_assert below;
// - panel/layout.cpp: its row of kControls (a unit name and id of its own, its place,
//   the caption of its row here, kActionClick, which also gives it what a screen reader
//   is told it opens), where the row's place in kControls fixes its place in the Tab
//   order, which walks kControls from the last row to the first (not this table's
//   order); and kControlCount (panel/layout.h), which a static_assert checks;
// - room: the four rows of 常用文本 hold eight buttons each, so a 33rd makes a fifth.
//   That frame grows, in the picture (resources/make-art.sh draws it; run it for
//   background.jpg) and in layout.cpp's kPictureFrames (which a screen reader's group
//   comes from); what lies below it moves down (the notice's frame and text in both, the
//   box 编辑框1), and the window (its unit's height, 521) and the picture (734 x 492)
//   grow, and with them every figure written from their sizes: the client area
//   (730 x 492) and the window (740 x 521) in tests/support/panel_geometry.h and
//   tests/support/laid_out.cpp, the picture's size where tests read it, the window of
//   bench/reference_panel.cpp (git grep -w -e 492 -e 521 -e 734 leads to them all), and
//   the DPIs at which host/background_picture.cpp takes the picture as libjpeg decodes it;
// - the tests' own tables, written from what the panel is meant to do: its row in
//   tests/support/button_table.h and the count there (45), the Tab walk of
//   tests/main_window_keyboard_test.cpp (48 stops), the controls by kind of
//   tests/main_window_test.cpp (46 buttons), the counts of
//   tests/main_window_dpi_change_test.cpp (49 controls, 50 windows painted), and the
//   test names that spell these counts (FortyFive, FortyEight, FortyNine);
// - the counts in words: the comments that say 45 (actions.h, layout.cpp) or 49
//   (layout.h, bench/reference_panel.cpp), the README's 32 file buttons and its
//   使用说明, resources/operator-notes.zh_CN.txt, and the README's screenshot
//   (docs/screenshot.png, scripts/screenshot.sh).
// Tested by tests/panel_actions_test.cpp
// (PanelActions.EachOfTheFortyFiveButtonsMakesExactlyTheCallOfItsRow, against
// tests/support/button_table.h) and tests/accessibility_test.cpp (what each button says
// it opens).
#pragma once

#include <iterator>

#include "panel/actions.h"

namespace action_rows {
using enum ActionKind;

// In screen order: top to bottom, then left to right. File buttons always use the
// fixed root D:\MirServer; folder buttons the directory box.
inline constexpr ActionRow kActionTable[] = {
    // unit      caption      kind      target
    {"按钮1", "QuestDiary", OpenFolder, "\\Mir200\\Envir\\QuestDiary"},
    {"按钮2", "NPC文件", OpenFolder, "\\Mir200\\Envir\\Market_def"},
    {"按钮3", "机器人配置", OpenFolder, "\\Mir200\\Envir\\Robot_def"},
    {"按钮4", "国家配置", OpenFolder, "\\Mir200\\Envir\\Nations"},
    {"按钮5", "游戏公告", OpenFolder, "\\Mir200\\Notice"},
    {"按钮7", "人形怪", OpenFolder, "\\Mir200\\Envir\\MonUseItems"},
    {"按钮6", "爆率文件", OpenFolder, "\\Mir200\\Envir\\MonItems"},
    {"按钮8", "沙城配置", OpenFolder, "\\Mir200\\Castle\\0"},
    {"按钮9", "个人商店", OpenFolder, "\\Mir200\\Envir\\UserData"},
    {"按钮10", "自定义怪物", OpenFolder, "\\Mir200\\Envir\\SmartMonster"},
    {"按钮11", "NPC顶戴", OpenFolder, "\\Mir200\\Envir\\NpcIcons"},
    {"按钮12", "国王类NPC", OpenFolder, "\\Mir200\\Envir\\Npc_Def"},
    {"按钮45", "自定义技能", OpenFolder, "\\Mir200\\Envir\\UserData\\CustomSkill"},
    {"按钮13", "地图配置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MapInfo.txt"},
    {"按钮14", "NPC配置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\Merchant.txt"},
    {"按钮15", "QF文件", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\Market_Def\\QFunction-0.txt"},
    {"按钮16", "QM文件", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MapQuest_Def\\QManage.txt"},
    {"按钮17", "安全区配置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\StartPoint.txt"},
    {"按钮18", "小地图配置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MiniMap.txt"},
    {"按钮19", "M2文件", EditFile, "notepad D:\\MirServer\\Mir200\\!Setup.txt"},
    {"按钮20", "商城配置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\ShopItemList.txt"},
    {"按钮28", "刷怪配置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MonGen.txt"},
    {"按钮40", "物品限制", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\CheckItemList.txt"},
    {"按钮26", "地图事件", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MapEvent.txt"},
    {"按钮25", "药品解包", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\UnbindList.txt"},
    {"按钮24", "怪物说话", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MonSayMsg.txt"},
    {"按钮23", "GM设置", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\AdminList.txt"},
    {"按钮22", "物品备注", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\ItemDescList.txt"},
    {"按钮21", "WIL资源", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\EffectImageList.txt"},
    {"按钮36", "假人文本", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\DummyNameList.txt"},
    {"按钮35", "特效对应", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\EffectItemList.txt"},
    {"按钮34", "特效编号", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\EffectList.txt"},
    {"按钮33", "套装属性", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\GroupItemList.txt"},
    {"按钮32", "物品规则", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\ItemRuleList.txt"},
    {"按钮31", "怪物属性扩展", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MonSpAbilList.txt"},
    {"按钮30", "麻痹物品概率", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\ParalysisItemList.txt"},
    {"按钮29", "复活物品概率", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\RevivalItemList.txt"},
    {"按钮44", "套装备注", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\TzItemDescList.txt"},
    {"按钮43", "自定义命令", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\UserCmds.txt"},
    {"按钮42", "屏蔽字符", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\UserData\\FilterStr.txt"},
    {"按钮41", "武器吸血", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\UserData\\PoisonWeapon.txt"},
    {"按钮27", "极品备注", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\DZItemDescList.txt"},
    {"按钮37", "屏蔽文件禁@", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\FilterMsgList.txt"},
    {"按钮38", "日志记录", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\GameLogItemNameList.txt"},
    // No extension: Notepad gets the name as it stands.
    {"按钮39", "护身物品概率", EditFile, "notepad D:\\MirServer\\Mir200\\Envir\\MagicShieldItemList"},
};
static_assert(std::size(kActionTable) == 45);

} // namespace action_rows

using action_rows::kActionTable;
