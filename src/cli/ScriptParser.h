// The UI script language of quillon-cli, turned from text into commands.
//
// One command per line; a line whose first non-blank character is '#' is a comment. Words are
// separated by blanks (spaces or tabs); the final argument of the commands that take a text
// (node texts, typed texts, paths, page titles) runs to the end of the line and may be written
// in double quotes, inside which \" and \\ stand for a quote and a backslash. Parsing knows
// nothing of the window: whether a node or a control exists is decided when the line runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"

namespace quillon::cli {

enum class ScriptVerb {
    Click,        // click NODE
    Select,       // select NODE
    Set,          // set ID TEXT
    Check,        // check ID on|off
    RunChecks,    // check                (every check of Generate Project)
    Address,      // address ID A.B.C.D
    Combo,        // combo ID INDEX
    Press,        // press ID
    Menu,         // menu NAME            (id holds the menu command)
    Answer,       // answer yes|no|cancel (flag; cancel)
    File,         // file PATH|cancel     (cancel or text)
    Folder,       // folder PATH|cancel
    Preview,      // preview generate|cancel (flag: generate)
    SheetPage,    // sheet page TITLE
    SheetClick,   // sheet click ID
    SheetSet,     // sheet set ID TEXT
    SheetCheck,   // sheet check ID on|off
    SheetSolve,   // sheet solve HZ          (hz)
    SheetOk,      // sheet ok
    SheetCancel,  // sheet cancel
    Show,         // show record|tree|panel|window|sheet|summary
    Explain,      // explain NODE
    Find,         // find TEXT            (the filter above the tree, then Enter)
};

enum class ShowWhat { Record, Tree, Panel, Window, Sheet, Summary };

struct ScriptCommand {
    int line = 0;  // 1-based line of the script
    ScriptVerb verb = ScriptVerb::Show;
    int id = 0;        // control id, or the menu command for Menu
    std::string text;  // node text, typed text, path or page title
    bool flag = false;    // on/off, yes/no
    bool cancel = false;  // file/folder: the dialog is cancelled; answer: the Cancel button
    Ip4 address{0, 0, 0, 0};
    int index = 0;  // combo entry
    std::uint32_t hz = 0;  // sheet solve
    ShowWhat show = ShowWhat::Record;
};

struct ScriptSyntaxError {
    int line = 0;
    std::string why;
};

struct ParsedScript {
    std::vector<ScriptCommand> commands;
    // The first line that could not be read; commands holds the lines before it.
    std::optional<ScriptSyntaxError> error;
};

// Reads a whole script. Pure: no state, no I/O, any input is safe.
ParsedScript ParseScript(std::string_view text);

// "10.0.0.7" into four bytes; nothing unless exactly four decimal numbers 0 to 255.
std::optional<Ip4> ParseDottedAddress(std::string_view text);

// The menu names of the language ("save-as", ...) and their commands; nothing when unknown.
std::optional<int> MenuCommandByName(std::string_view name);

}  // namespace quillon::cli
