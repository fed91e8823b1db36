// The settings file (*.wp): plain text, one value per line. Lines 1 to 63 hold the option
// bits, the code-bank flag, the project folder and 60 parameters; readers of that plain format
// stop there. After them an extension block, headed "[quillon]", keeps as key=value lines the
// choices the 63 lines cannot hold: family, DNS, LOCATRA, USB FIFO, the modem selections and
// the clock block.
//
// The block's keys, each written once per save, in this order:
//   family=vardex|pelmar|zintor   dns=0|1   locatra=0|1   usb_fifo=0|1
//   country_index=N   protocol_index=N   phone_number=TEXT
//   oscxcn pll0cn pll0div pll0mul pll0flt clksel clkmul oscicn flscl (register bytes, decimal)
//   ext_osc_hz sysclk_hz int_osc_hz (hertz)   clock_confirmed=0|1
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"

namespace quillon {

inline constexpr int kSettingsPlainLines = 63;
inline constexpr std::string_view kSettingsExtensionHeader = "[quillon]";
// Anything larger is not a settings file; it is refused instead of being read.
inline constexpr std::size_t kMaxSettingsFileSize = 1024 * 1024;

// The parameter numbers of lines 4 to 63, in line order.
inline constexpr std::array<int, 60> kSettingsParameterOrder{
    1,  2,  3,  4,  5,  6,  7,  8,  9,  10,  11,  12,  13,  14,  15,  16,  17,  18,  19, 20,
    21, 22, 23, 24, 25, 26, 27, 28, 29, 30,  100, 101, 33,  34,  35,  102, 103, 38,  39, 104,
    54, 105, 106, 107, 108, 109, 46, 47, 51, 52, 53,  57,  58,  59,  60,  61,  62,  63,  64, 65};

// The whole file for `record`, `project_folder` on line 3; every line ends with a line feed.
std::string WriteSettings(const ConfigRecord& record, const std::string& project_folder);

// Reads a settings file into a record that the caller has just reset to its defaults, and
// brings the option tree in line with it: the plain lines, then the extension block when there
// is one; choices that do not fit together are settled (SettleChoices) and every option node
// is set from the record (ShowChoices). Lines end with CR LF, a lone CR or a lone LF; malformed
// extension lines are skipped and unknown keys ignored. Never fails. `settled` receives what
// the settling changed, in words (SettleChoices).
void ReadSettings(std::string_view text, ConfigRecord& record, std::string& project_folder, OptionStates& options,
                  AdapterItem& adapter, std::vector<std::string>* settled = nullptr);

// A line that ReadSettings had to guess at: it is not of the form the program writes for it
// (text where a number belongs, a number too wide for its field, a list with the wrong count,
// bytes that are not text, a line missing from a short file, an extension line it skips, a key
// missing from the extension block). The
// line is still read as the record's rules say; the finding tells what it was read as.
struct SettingsFinding {
    int line = 0;          // 1 for the first line
    std::string field;     // "num_sockets", "project_folder", an extension key; empty for the block as a whole
    std::string what;      // what is wrong with it, in words
    std::string found;     // the line as it stands in the file (raw bytes; empty for a missing line)
    std::string read_as;   // what it was loaded as: the value, "the defaults" or "ignored"
    bool read_as_text = false;  // read_as is text taken from the file (a path, a modem string)
};

// Every line of `text` that is not of its expected form, in line order. Pure: reads nothing
// but `text`, and agrees line by line with what ReadSettings stores.
std::vector<SettingsFinding> CheckSettingsLines(std::string_view text);

}  // namespace quillon
