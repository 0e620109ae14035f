// res/quarnet.rc against the command tables: the menu, the accelerators and the string table
// there must say exactly what app/CommandTable.h says.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "SourceFile.h"
#include "app/CommandTable.h"

namespace {

// One line of the script, split into quoted strings (escapes resolved) and bare words.
std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> tokens;
  for (size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
      ++i;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
      break;
    } else if (c == '"') {
      std::string text = "\"";  // the leading quote marks a string token
      for (++i; i < line.size(); ++i) {
        if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          text += '"';
          ++i;
        } else if (line[i] == '"') {
          ++i;
          break;
        } else if (line[i] == '\\' && i + 1 < line.size()) {
          text += line[i + 1] == 'n' ? '\n' : line[i + 1] == 't' ? '\t' : line[i + 1];
          ++i;
        } else {
          text += line[i];
        }
      }
      tokens.push_back(text);
    } else {
      const size_t end = line.find_first_of(" \t,\r", i);
      tokens.push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
      i = end == std::string::npos ? line.size() : end;
    }
  }
  return tokens;
}

class ResourceScript : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* header : {"src/app/ResourceIds.h", "src/ui/FrameworkIds.h"}) {
      std::istringstream ids(SourceFile(header));
      for (std::string line; std::getline(ids, line);) {
        const std::vector<std::string> t = Tokens(line);
        if (t.size() == 3 && t[0] == "#define") m_ids[t[1]] = std::stoi(t[2]);
      }
    }
    std::istringstream rc(SourceFile("res/quarnet.rc"));
    for (std::string line; std::getline(rc, line);) m_lines.push_back(Tokens(line));
    ASSERT_GT(m_lines.size(), 10u) << "res/quarnet.rc not found";
  }

  int Id(const std::string& name) const {
    const auto it = m_ids.find(name);
    return it != m_ids.end() ? it->second : -1;
  }

  // The lines between the BEGIN after `header` and its END, with BEGIN/END of nested blocks.
  std::vector<std::vector<std::string>> Block(const std::vector<std::string>& header) const {
    std::vector<std::vector<std::string>> body;
    size_t at = 0;
    while (at < m_lines.size() && m_lines[at] != header) ++at;
    int depth = 0;
    for (++at; at < m_lines.size(); ++at) {
      const std::vector<std::string>& t = m_lines[at];
      if (t.empty()) continue;
      if (t[0] == "BEGIN") {
        if (depth++ == 0) continue;
      } else if (t[0] == "END" && --depth == 0) {
        break;
      }
      body.push_back(t);
    }
    return body;
  }

  std::map<std::string, int> m_ids;
  std::vector<std::vector<std::string>> m_lines;
};

TEST_F(ResourceScript, MenuMatchesTable) {
  std::vector<std::tuple<int, app::MenuKind, std::string, int>> script;
  int depth = 0;
  for (const std::vector<std::string>& t : Block({"IDR_MAINFRAME", "MENU"})) {
    if (t[0] == "BEGIN") {
      ++depth;
    } else if (t[0] == "END") {
      --depth;
    } else if (t[0] == "POPUP" && t.size() == 2) {
      script.emplace_back(depth, app::MenuKind::kPopup, t[1].substr(1), 0);
    } else if (t[0] == "MENUITEM" && t.size() == 2 && t[1] == "SEPARATOR") {
      script.emplace_back(depth, app::MenuKind::kSeparator, "", 0);
    } else if (t[0] == "MENUITEM" && t.size() == 3) {
      script.emplace_back(depth, app::MenuKind::kItem, t[1].substr(1), Id(t[2]));
    } else {
      ADD_FAILURE() << "unexpected menu line starting " << t[0];
    }
  }
  std::vector<std::tuple<int, app::MenuKind, std::string, int>> table;
  for (const app::MenuEntry& e : app::kMainMenu) {
    table.emplace_back(e.depth, e.kind, std::string(e.text), e.id);
  }
  EXPECT_EQ(script, table);
}

TEST_F(ResourceScript, AcceleratorsMatchTable) {
  const std::map<std::string, int> keys = {{"VK_BACK", app::vk::kBack},
                                           {"VK_INSERT", app::vk::kInsert},
                                           {"VK_DELETE", app::vk::kDelete},
                                           {"VK_F1", app::vk::kF1},
                                           {"VK_F6", app::vk::kF6}};
  std::set<std::tuple<int, int, int>> script;
  for (const std::vector<std::string>& t : Block({"IDR_MAINFRAME", "ACCELERATORS"})) {
    ASSERT_GE(t.size(), 3u);
    EXPECT_EQ(t[2], "VIRTKEY");
    int key = -1;
    if (t[0].size() == 2 && t[0][0] == '"') key = t[0][1];
    if (keys.count(t[0])) key = keys.at(t[0]);
    int modifiers = 0;
    for (size_t i = 3; i < t.size(); ++i) {
      modifiers |= t[i] == "CONTROL" ? app::kCtrl
                   : t[i] == "SHIFT" ? app::kShift
                   : t[i] == "ALT"   ? app::kAlt
                                     : 0x100;
    }
    EXPECT_TRUE(script.insert({key, modifiers, Id(t[1])}).second) << t[0];
  }
  std::set<std::tuple<int, int, int>> table;
  for (const app::Accelerator& a : app::kAccelerators) table.insert({a.key, a.modifiers, a.id});
  EXPECT_EQ(script, table);
}

TEST_F(ResourceScript, StringTableMatchesTable) {
  std::map<int, std::string> script;
  for (const std::vector<std::string>& t : Block({"STRINGTABLE"})) {
    ASSERT_EQ(t.size(), 2u) << t[0];
    EXPECT_TRUE(script.emplace(Id(t[0]), t[1].substr(1)).second) << t[0];
  }
  std::map<int, std::string> table;
  for (const app::StringEntry& s : app::StringTable()) table.emplace(s.id, std::string(s.text));
  EXPECT_EQ(script, table);
}

}  // namespace
