// Each window's table against the controls the program has always had.
#include <gtest/gtest.h>

#include "serialsettings/PortSetup.h"
#include "ui/AboutBox.h"
#include "ui/MainForm.h"
#include "ui/PasswordForms.h"

namespace tolvane {
namespace {

struct Row {
  const char* name;
  int index;
  const char* text;
  int left, top, width, height, tab;
};

void ExpectTable(const FormSpec& form, const std::vector<Row>& rows) {
  EXPECT_EQ(form.controls.size(), rows.size()) << form.name;
  for (const auto& r : rows) {
    const ControlSpec* c = form.Find(r.name, r.index);
    ASSERT_NE(c, nullptr) << form.name << "." << r.name;
    EXPECT_STREQ(c->text, r.text) << r.name;
    EXPECT_EQ(c->left, r.left) << r.name;
    EXPECT_EQ(c->top, r.top) << r.name;
    EXPECT_EQ(c->width, r.width) << r.name;
    EXPECT_EQ(c->height, r.height) << r.name;
    EXPECT_EQ(c->tabIndex, r.tab) << r.name;
  }
}

TEST(FormTables, MainForm) {
  const FormSpec& f = MainFormSpec();
  EXPECT_EQ(f.clientWidth, 6255);
  EXPECT_EQ(f.clientHeight, 5790);
  EXPECT_EQ(f.border, BorderStyle::FixedSingle);
  EXPECT_TRUE(f.minButton);
  EXPECT_FALSE(f.maxButton);
  std::vector<Row> rows = {
      {"Label4", -1, "STEP 1: Select a serial port and choose your preferences.", 240, 150, 5175, 240, 18},
      {"Label3", -1, "COM Port:", 360, 480, 1095, 255, 25},
      {"Combo1", -1, "", 360, 720, 1215, 315, 24},
      {"Frame1", -1, "Port:", 360, 1200, 1335, 1815, 0},
      {"Frame2", -1, "Preferences:", 1800, 420, 4215, 2775, 8},
      {"BeepOnInput", -1, "Beep PC On Good Read:", 240, 300, 2475, 255, 9},
      {"cboSound", -1, "", 2700, 240, 1395, 315, 10},
      {"LoadWithWindows", -1, "Load With Windows At Startup", 240, 588, 3855, 255, 11},
      {"RemoveCRs", -1, "Remove Trailing Carriage Return", 240, 876, 3135, 255, 12},
      {"Text1", -1, "", 3420, 900, 555, 255, 23},
      {"NumFilter", -1, "Filter Out Non Numeric Characters", 240, 1164, 3795, 255, 13},
      {"IgnoreDups", -1, "Ignore Consecutive Duplicate Inputs", 240, 1452, 3855, 255, 14},
      {"chkDOSTarget", -1, "Target Application is a DOS program", 240, 1740, 3855, 255, 15},
      {"Label1", -1, "Postamble Keystroke(s):", 240, 2100, 0, 0, 19},
      {"TermKeyCombo", -1, "", 240, 2340, 3855, 315, 16},
      {"Label5", -1,
       "STEP 2: Read a bar code with your bar code scanner. If the data from the scanner does not appear correctly "
       "in the text box below, then you may have to adjust your settings or choose another serial port.",
       240, 3360, 5775, 765, 20},
      {"Label2", -1, "Input Data From Scanner:", 240, 4185, 0, 0, 21},
      {"Display", -1, "", 240, 4410, 5775, 330, 17},
      {"Label6", -1,
       "STEP 3: If data appears correctly, keep Tolvane running and switch to another program. When you read bar "
       "codes, the bar code data will appear in the other application as if it were being typed in. (You can "
       "minimize Tolvane and it will continue to function properly.)",
       240, 4860, 5775, 870, 22},
  };
  const char* options[] = {"None", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
  for (int i = 0; i < 7; ++i) rows.push_back({"Option1", i, options[i], 240, 360 + 340 * i, 855, 255, 1 + i});
  ExpectTable(f, rows);
  EXPECT_TRUE(f.Find("Frame1")->flags & kHidden);
  EXPECT_STREQ(f.Find("Display")->font->face, "Terminal");
  EXPECT_STREQ(f.Find("Label4")->font->face, "Arial");

  const char* menus[][3] = {{"FilePullDown", "&File", ""},         {"mPassword", "Password", "FilePullDown"},
                            {"FileExit", "E&xit", "FilePullDown"}, {"MSettings", "&Settings!", ""},
                            {"Help", "&Help", ""},                 {"HelpIndex", "&Index", "Help"},
                            {"Nothing", "-", "Help"},              {"HelpAbout", "&About...", "Help"},
                            {"mnuPopup", "Popup", ""},             {"mnuOpen", "Open Tolvane", "mnuPopup"},
                            {"mnuAbout", "About Tolvane", "mnuPopup"}};
  ASSERT_EQ(f.menus.size(), 11u);
  for (std::size_t i = 0; i < f.menus.size(); ++i) {
    EXPECT_STREQ(f.menus[i].name, menus[i][0]);
    EXPECT_STREQ(f.menus[i].caption, menus[i][1]);
    EXPECT_STREQ(f.menus[i].parent ? f.menus[i].parent : "", menus[i][2]);
  }
  EXPECT_FALSE(f.menus[8].visible) << "the pop-up menu is not on the bar";

  MainForm form;
  EXPECT_EQ(form.Combo1.items.size(), 17u);
  EXPECT_EQ(form.Combo1.items[16], "COM16");
}

TEST(FormTables, PasswordDialogs) {
  for (const FormSpec* f : {&Form1Spec(), &Form2Spec()}) {
    EXPECT_STREQ(f->caption, "Tolvane Password");
    EXPECT_EQ(f->clientWidth, 3120);
    EXPECT_EQ(f->clientHeight, 2235);
    EXPECT_EQ(f->border, BorderStyle::FixedDialog);
    EXPECT_FALSE(f->showInTaskbar);
  }
  ExpectTable(Form1Spec(), {{"Label1", -1, "Enter Password:", 240, 120, 0, 0, 4},
                            {"Text1", -1, "", 240, 360, 2655, 315, 0},
                            {"Label2", -1, "Confirm Password:", 240, 840, 0, 0, 5},
                            {"Text2", -1, "", 240, 1080, 2655, 315, 1},
                            {"Command1", -1, "OK", 480, 1680, 975, 375, 2},
                            {"Command2", -1, "Cancel", 1680, 1680, 975, 375, 3}});
  ExpectTable(Form2Spec(), {{"Label1", -1, "Enter Password:", 240, 360, 0, 0, 3},
                            {"Text1", -1, "", 240, 600, 2655, 315, 0},
                            {"Command1", -1, "OK", 480, 1680, 975, 375, 1},
                            {"Command2", -1, "Cancel", 1680, 1680, 975, 375, 2}});
  EXPECT_EQ(Form2Spec().Find("Text1")->kind, ControlKind::MaskedTextBox);
  EXPECT_EQ(Form1Spec().Find("Command1")->flags, kDefaultButton);
  EXPECT_EQ(Form1Spec().Find("Command2")->flags, kCancelButton);
}

TEST(FormTables, AboutBox) {
  const FormSpec& f = AboutSpec();
  EXPECT_STREQ(f.caption, "About Tolvane");
  EXPECT_EQ(f.clientWidth, 5430);
  EXPECT_EQ(f.clientHeight, 4845);
  EXPECT_EQ(f.background, 0x00C0C0C0u);
  const ControlSpec* title = f.Find("Label1");
  EXPECT_STREQ(title->text, "Tolvane For Bar Code Readers");
  EXPECT_EQ(title->font->points, 9.75);
  const ControlSpec* ok = f.Find("OkButton");
  EXPECT_EQ(ok->flags, kDefaultButton | kCancelButton);
  EXPECT_EQ(ok->left, 2265);
  EXPECT_EQ(ok->top, 4365);
  EXPECT_EQ(f.Find("Label5")->flags & kLink, kLink);
  EXPECT_EQ(f.Find("Label3")->top, 3195);
}

}  // namespace
}  // namespace tolvane
