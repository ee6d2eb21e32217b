// Frame and explorer windows held in memory, driven by the real controllers: what a user's clicks reach
// once the toolkit is taken away.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controllers/explorer_controller.h"
#include "controllers/frame_controller.h"
#include "controllers/gated_desktop.h"
#include "items/in_memory_controls.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"

namespace vendrel::testsupport {

// The states a toolbar or a menu popup was given, by command id.
class StateMap : public CommandStates {
 public:
  void SetEnabled(int command, bool enabled) override { states[command] = enabled; }
  std::map<int, bool> states;
};

struct InMemoryExplorer {
  InMemoryExplorer(CommandGate& gate, CommandStates* toolbar)
      : controller(window, tree, list, gate, toolbar) {}

  InMemoryTreeView tree;
  InMemoryListView list;
  DetachedExplorerWindow window;
  ExplorerController controller;
};

// Settings kept for the test's own run only.
class MemorySettings : public Settings {
 public:
  std::vector<std::string> Get(std::string_view key) const override {
    const auto it = values.find(std::string(key));
    return it != values.end() ? it->second : std::vector<std::string>{};
  }
  void Set(std::string_view key, const std::vector<std::string>& kept) override { values[std::string(key)] = kept; }
  std::map<std::string, std::vector<std::string>> values;
};

// A frame whose child windows are InMemoryExplorers; the last one shown is the active one.
class InMemoryFrame : public FrameWindow {
 public:
  InMemoryFrame(CommandGate& gate, CommandStates& toolbar) : gate(&gate), toolbar(&toolbar) {}

  ExplorerController* CreateExplorerWindow(const std::string& caption) override {
    explorers.push_back(std::make_unique<InMemoryExplorer>(*gate, toolbar));
    captions.push_back(caption);
    return &explorers.back()->controller;
  }
  void ShowExplorerWindow(ExplorerController& explorer) override { Activate(&explorer); }
  void DestroyExplorerWindow(ExplorerController& explorer) override {
    const bool wasActive = active == &explorer;
    const auto it = std::ranges::find(explorers, &explorer, [](const auto& e) { return &e->controller; });
    if (it == explorers.end()) return;
    captions.erase(captions.begin() + (it - explorers.begin()));
    explorers.erase(it);
    if (wasActive) Activate(explorers.empty() ? nullptr : &explorers.back()->controller);
  }
  ExplorerController* ActiveExplorer() const override { return active; }
  std::vector<ExplorerController*> Explorers() const override {
    std::vector<ExplorerController*> all;
    for (const auto& explorer : explorers) all.push_back(&explorer->controller);
    return all;
  }
  // The frame's arrangements, about box and exit are not the explorer's concern here.
  void ShowMenu(MenuId id) override { menu = id; }
  void ArrangeWindows(int) override {}
  void ShowAbout() override {}
  void ShowHelp() override {}
  void ShowFind() override {}
  void Exit() override {}

  void Activate(ExplorerController* explorer) {
    active = explorer;
    if (frame != nullptr) frame->OnActiveExplorerChanged(explorer);
  }
  InMemoryExplorer& Window(size_t i) { return *explorers.at(i); }

  CommandGate* gate = nullptr;
  CommandStates* toolbar = nullptr;
  FrameController* frame = nullptr;
  std::vector<std::unique_ptr<InMemoryExplorer>> explorers;
  std::vector<std::string> captions;
  ExplorerController* active = nullptr;
  MenuId menu{};
};

class WindowTest : public testing::Test {
 protected:
  WindowTest() {
    window.frame = &frame;
    frame.Start();
  }

  // Every test ends as the program does: the windows go, and with them every item.
  void TearDown() override {
    window.explorers.clear();
    EXPECT_EQ(ExplorerItem::LiveCount(), liveAtStart_) << "items still alive after the windows went";
  }

  // A message database of count messages, in a tree of at most perNode entries a node.
  std::string WriteMessages(uint32_t count, unsigned perNode = 51, const std::string& name = "Inbox.dbx") {
    DbxBuilder builder(DbKind::Message);
    std::vector<uint32_t> records;
    for (uint32_t id = 2; id < count + 2; ++id) {
      const std::string subject = "Message " + std::to_string(id);
      records.push_back(builder.AddMessage(
          {.id = id, .subject = subject, .text = "Subject: " + subject + "\r\n\r\nBody\r\n"}));
    }
    builder.SetIndex(0, records, perNode);
    builder.SetLastAssignedId(count + 1);
    return builder.WriteTo(dir / name);
  }
  const std::vector<std::string>& StatusLines() const { return scoped.desktop.statusLines(); }
  HeadlessDesktop& desktop() { return scoped.desktop; }

  TempDir dir;
  ScopedDesktop scoped;
  CommandGate gate;
  GatedDesktop gatedDesktop{scoped.desktop, gate};
  InstalledDesktop installedGate{gatedDesktop};
  StateMap toolbar;
  InMemoryFrame window{gate, toolbar};
  MemorySettings settings;
  FrameController frame{window, toolbar, gate, settings};

 private:
  int liveAtStart_ = ExplorerItem::LiveCount();  // before the frame starts
};

}  // namespace vendrel::testsupport
