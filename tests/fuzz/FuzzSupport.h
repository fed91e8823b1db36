// What several fuzz targets share: loading a settings text exactly as File > Open does, which
// also gives the template target records with arbitrary values in every field.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"
#include "wizard/Platform.h"

namespace quillon::fuzz {

class MapOptions : public OptionStates {
public:
    bool IsChecked(OptionNode node) const override {
        const NodeState s = State(node);
        return s == NodeState::On || s == NodeState::Fixed;
    }
    using OptionStates::SetState;
    void SetState(OptionNode node, NodeState state) override { states[node] = state; }
    NodeState State(OptionNode node) const {
        const auto it = states.find(node);
        return it == states.end() ? NodeState::Off : it->second;
    }
    // Every node in the same state; a node never set counts as Off.
    bool SameStates(const MapOptions& other) const {
        for (int n = 1; n <= kOptionNodeCount; ++n) {
            if (State(static_cast<OptionNode>(n)) != other.State(static_cast<OptionNode>(n))) return false;
        }
        return true;
    }

    std::map<OptionNode, NodeState> states;
};

struct LoadedSettings {
    ConfigRecord record;
    std::string folder;
    MapOptions options;
    AdapterItem adapter = AdapterItem::None;
};

// Resets to the defaults, as Open does before its dialog, then reads `text`.
LoadedSettings LoadSettings(std::string_view text);

// A window's dialogs with nobody there: every question is answered No (or Cancel), every file
// or folder dialog is cancelled, every message goes unread.
class SilentPlatform : public Platform {
public:
    void ShowMessage(const Message&) override {}
    bool AskYesNo(const Message&) override { return false; }
    Answer AskYesNoCancel(const Message&) override { return Answer::Cancel; }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override { return std::nullopt; }
    bool RunSheet(SheetModel&) override { return false; }
    bool ShowHelp(const std::string&) override { return false; }
    void ShowAbout(const AboutBox&) override {}
};

// Hands out the input's bytes front to back; past the end every read gives 0.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t Byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        const std::uint8_t high = Byte();
        return static_cast<std::uint16_t>(low | (high << 8));
    }
    std::uint32_t Long() {
        const std::uint16_t low = Word();
        const std::uint16_t high = Word();
        return low | (static_cast<std::uint32_t>(high) << 16);
    }
    // Up to `length` bytes as text.
    std::string Text(std::size_t length) {
        const std::size_t n = std::min(length, bytes_.size() - pos_);
        std::string out(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
        pos_ += n;
        return out;
    }
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(pos_); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

}  // namespace quillon::fuzz
