// What reading a settings file had to guess at: nothing for the files the program writes, and
// for each kind of damaged line its line, field, what is wrong and the value it was read as.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/SettingsFormat.h"

namespace quillon {
namespace {

std::vector<std::string> DefaultLines() {
    std::vector<std::string> lines;
    const std::string text = WriteSettings(ConfigRecord{}, "/home/ada/projects/web/");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

TEST(SettingsFindings, FilesTheProgramWritesHaveNone) {
    EXPECT_TRUE(CheckSettingsLines(Joined(DefaultLines())).empty());
    ConfigRecord odd;
    odd.option_bits = 0xFFFFFFFF;  // written as -1
    odd.bootp_resend_trys = -56;
    odd.login_name = "caf\xC3\xA9 \"x\"";
    odd.phone_number = "5551234";
    EXPECT_TRUE(CheckSettingsLines(WriteSettings(odd, "_NoDirSelected_")).empty());
    for (const char* name : {"ethernet-web-server.wp", "modem-ppp-client.wp", "zintor-udp-device.wp"}) {
        EXPECT_TRUE(CheckSettingsLines(test::ReadText(std::string(QUILLON_SOURCE_DIR) + "/examples/" + name)).empty())
            << name;
    }
}

TEST(SettingsFindings, EachDamagedLineSaysWhatItWasReadAs) {
    std::vector<std::string> lines = DefaultLines();
    lines[0] = "0x10";                       // option_bits
    lines[1] = "2";                          // code_bank
    lines[2] = std::string("/tmp/\x01\xFF", 7);  // project_folder
    lines[3] = "300";                        // num_sockets, 8 bits
    lines[4] = "";                           // xmit_buff_size
    lines[15] = "200";                       // bootp_resend_trys, signed byte
    lines[35] = "{ 1, 2, 3, 4, 5 }";         // ip_dest_addr
    lines[36] = "{ 10, 0, 0, 7";             // ip_src_addr: the last number is never stored
    lines[59] = "Greenhouse";                // locatra_name without its quotes
    const int block_end = static_cast<int>(lines.size());
    lines.push_back("family=mars");
    lines.push_back("colour=red");
    lines.push_back("junk");
    struct Expected {
        int line;
        std::string field;
        std::string what;
        std::string read_as;
    };
    const std::vector<Expected> expected = {
        {1, "option_bits", "text where a number is expected", "0xA"},  // the digits 1 and 0, by place
        {2, "code_bank", "a flag (0 or 1) expected", "2"},
        {3, "project_folder", "not a folder path: bytes that are not text", std::string("/tmp/\x01\xFF", 7)},
        {4, "num_sockets", "the number does not fit the field (0 to 255)", "44"},
        {5, "xmit_buff_size", "an empty line where a number is expected", "0"},
        {16, "bootp_resend_trys", "the number does not fit the field (-128 to 127)", "-56"},
        {36, "ip_dest_addr", "a list of 4 numbers expected, found 5", "1.2.3.4"},
        {37, "ip_src_addr", "a list { ... } of 4 numbers from 0 to 255 expected", "10.0.0.1"},
        {60, "locatra_name", "a text in double quotes expected", "Greenhouse"},
        {block_end + 1, "family", "a family (vardex, pelmar or zintor) expected", "ignored"},
        {block_end + 2, "", "a key the block does not have", "ignored"},
        {block_end + 3, "", "not a key=value line", "ignored"},
    };
    const std::vector<SettingsFinding> found = CheckSettingsLines(Joined(lines));
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].line, expected[i].line);
        EXPECT_EQ(found[i].field, expected[i].field) << found[i].line;
        EXPECT_EQ(found[i].what, expected[i].what) << found[i].line;
        EXPECT_EQ(found[i].read_as, expected[i].read_as) << found[i].line;
        EXPECT_EQ(found[i].found, lines[static_cast<std::size_t>(found[i].line - 1)]) << found[i].line;
    }

    // A file cut short names its first missing line; a line 64 that does not open the block
    // stands for everything after it.
    lines = DefaultLines();
    const std::vector<std::string> head(lines.begin(), lines.begin() + 40);
    const std::vector<SettingsFinding> short_file = CheckSettingsLines(Joined(head));
    ASSERT_EQ(short_file.size(), 1u);
    EXPECT_EQ(short_file[0].line, 41);
    EXPECT_EQ(short_file[0].read_as, "the defaults");
    lines[63] = "# notes";
    const std::vector<SettingsFinding> late = CheckSettingsLines(Joined(lines));
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].line, 64);
}

}  // namespace
}  // namespace quillon
