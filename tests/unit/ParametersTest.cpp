#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "config/Parameters.h"

using namespace quillon;

TEST(RenderParameter, DefaultRecordTexts) {
    const ConfigRecord r;
    EXPECT_EQ(RenderParameter(r, 1), "3");
    EXPECT_EQ(RenderParameter(r, 12), "36000");
    EXPECT_EQ(RenderParameter(r, 31), "0x3F");
    EXPECT_EQ(RenderParameter(r, 32), "0xB0");
    EXPECT_EQ(RenderParameter(r, 33), "{ 255, 255, 255, 255 }");
    EXPECT_EQ(RenderParameter(r, 34), "{ 0, 0, 0, 1 }");
    EXPECT_EQ(RenderParameter(r, 36), "{ 0x00, 0x0B, 0x3C, 0x00, 0x00, 0x00 }");
    EXPECT_EQ(RenderParameter(r, 39), "{ 255, 255, 255, 0 }");
    EXPECT_EQ(RenderParameter(r, 40), "0x60");
    EXPECT_EQ(RenderParameter(r, 43), "\"guest\\r\"");
    EXPECT_EQ(RenderParameter(r, 54), "307200");
    EXPECT_EQ(RenderParameter(r, 55), "0xFF");
    EXPECT_EQ(RenderParameter(r, 62), "\"Locatra Device Name\"");
    EXPECT_EQ(RenderParameter(r, 100), "63");
    EXPECT_EQ(RenderParameter(r, 101), "176");
    EXPECT_EQ(RenderParameter(r, 102), "{ 0, 11, 60, 0, 0, 0 }");
    EXPECT_EQ(RenderParameter(r, 104), "96");
    EXPECT_EQ(RenderParameter(r, 105), "AT+GCI=");
    EXPECT_EQ(RenderParameter(r, 109), "ATDT");
}

TEST(RenderParameter, NumbersWithoutAFieldRenderZero) {
    const ConfigRecord r;
    for (int n : {0, 66, 70, 99, 110, 255}) EXPECT_EQ(RenderParameter(r, n), "0") << n;
    // Only the low 8 bits of the number count.
    EXPECT_EQ(RenderParameter(r, 257), RenderParameter(r, 1));
    EXPECT_EQ(RenderParameter(r, -255), RenderParameter(r, 1));
}

TEST(RenderParameter, SignedBootpRetriesAndHexMinimumWidth) {
    ConfigRecord r;
    r.bootp_resend_trys = static_cast<std::int8_t>(200);
    EXPECT_EQ(RenderParameter(r, 13), "-56");
    r.uart_reload = 0x1A5;
    EXPECT_EQ(RenderParameter(r, 40), "0x1A5");
    EXPECT_EQ(RenderParameter(r, 104), "421");
    r.uart_reload = 0xFFFFFFF0u;  // an unsigned field never prints a sign
    EXPECT_EQ(RenderParameter(r, 104), "4294967280");
    r.tl0_flash = 0x5;
    EXPECT_EQ(RenderParameter(r, 31), "0x05");
}

TEST(RenderParameter, MacAndModemStrings) {
    ConfigRecord r;
    r.eth_src_hw_addr = {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56};
    EXPECT_EQ(RenderParameter(r, 36), "{ 0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56 }");
    EXPECT_EQ(RenderParameter(r, 102), "{ 0, 11, 60, 18, 52, 86 }");
    r.country_code = "B5";
    r.modem_protocol = "H0";
    r.phone_number = "5551234";
    EXPECT_EQ(RenderParameter(r, 41), "\"AT+GCI=B5\\r\"");
    EXPECT_EQ(RenderParameter(r, 42), "\"AT&H0\\r\"");
    EXPECT_EQ(RenderParameter(r, 45), "\"ATDT5551234\\r\"");
    r.phone_number.clear();
    EXPECT_EQ(RenderParameter(r, 45), "\"ATDT\\r\"");
    r.locatra_name = "a\"b\\c";  // written exactly as held
    EXPECT_EQ(RenderParameter(r, 62), "\"a\"b\\c\"");
}

TEST(RenderParameterText, ReadsLikeAtoi) {
    const ConfigRecord r;
    EXPECT_EQ(RenderParameterText(r, "07"), RenderParameter(r, 7));
    EXPECT_EQ(RenderParameterText(r, "x1"), "0");
    EXPECT_EQ(RenderParameterText(r, " 12"), RenderParameter(r, 12));
    EXPECT_EQ(RenderParameterText(r, "3&"), RenderParameter(r, 3));
    EXPECT_EQ(RenderParameterText(r, "-255"), RenderParameter(r, 1));
    EXPECT_EQ(RenderParameterText(r, ""), "0");
    // Overflowing digits wrap instead of being undefined.
    EXPECT_EQ(ParseLeadingInt("4294967297"), 1);
}

TEST(ParseDecimal, PositionalDigitsAndWidths) {
    EXPECT_EQ(ParseDecimal("1514", 16), 1514u);
    EXPECT_EQ(ParseDecimal(" 12", 16), 12u);
    EXPECT_EQ(ParseDecimal("1 2", 16), 102u);
    EXPECT_EQ(ParseDecimal("", 32), 0u);
    EXPECT_EQ(ParseDecimal("-56", 8), 56u);  // the sign is just another non-digit
    EXPECT_EQ(ParseDecimal("300", 8), 44u);
    EXPECT_EQ(ParseDecimal("70000", 16), 70000u - 65536u);
    EXPECT_EQ(ParseDecimal("4294967296", 32), 0u);
    EXPECT_EQ(ParseDecimal("x9y", 32), 90u);
    // A very long text wraps modulo 2^32 instead of overflowing.
    EXPECT_EQ(ParseDecimal(std::string(40, '9'), 8), ParseDecimal(std::string(40, '9'), 32) & 0xFFu);
}

TEST(ParseList, CornerCases) {
    std::array<std::uint8_t, 4> ip{9, 9, 9, 9};
    ParseList("{ 10, 0, 0, 7 }", ip);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{10, 0, 0, 7}));

    ip = {9, 9, 9, 9};
    ParseList("{ 1, 2, 3, 4, 5 }", ip);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));

    // Characters after the last separator are dropped; missing numbers leave bytes alone.
    ip = {9, 9, 9, 9};
    ParseList("1,2,3", ip);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{1, 2, 9, 9}));

    // Empty numbers store 0; values are cut to 8 bits.
    ip = {9, 9, 9, 9};
    ParseList("{,300,,}", ip);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{0, 44, 0, 0}));

    std::array<std::uint8_t, 6> mac{};
    ParseList("{ 0, 11, 60, 18, 52, 86 }", mac);
    EXPECT_EQ(mac, (std::array<std::uint8_t, 6>{0, 11, 60, 18, 52, 86}));
}

namespace {

// What a C compiler makes of a string literal: nothing when it is not one (a stray quote or
// backslash, a raw control character, a trigraph), else its bytes.
std::optional<std::string> ReadCStringLiteral(std::string_view literal) {
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') return std::nullopt;
    if (literal.find("??") != std::string_view::npos) return std::nullopt;
    const std::string_view body = literal.substr(1, literal.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const auto c = static_cast<unsigned char>(body[i]);
        if (c == '"' || c < 0x20 || c == 0x7F) return std::nullopt;
        if (c != '\\') {
            out += body[i];
            continue;
        }
        if (++i == body.size()) return std::nullopt;
        switch (body[i]) {
        case '\\': case '"': case '?': case '\'': out += body[i]; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        default: {
            int value = 0, digits = 0;
            for (; digits < 3 && i < body.size() && body[i] >= '0' && body[i] <= '7'; ++i, ++digits) {
                value = value * 8 + body[i] - '0';
            }
            if (digits == 0) return std::nullopt;
            --i;
            out += static_cast<char>(value);
        }
        }
    }
    return out;
}

}  // namespace

// Whatever is typed into a LOCATRA or modem text, the generated sources get a string literal
// that compiles and holds exactly what was typed; the settings file keeps the text as typed.
TEST(RenderParameter, QuotedTextsAreEscapedForCAndKeptAsTypedForTheSettingsFile) {
    std::mt19937 random(5);
    const std::string nasty = "\"\\?\t\r\n\x01\x7F" "0";
    for (int round = 0; round < 500; ++round) {
        std::string typed(random() % 12, ' ');
        for (char& c : typed) c = random() % 2 ? nasty[random() % nasty.size()] : static_cast<char>(1 + random() % 255);
        ConfigRecord r;
        r.locatra_description = typed;
        r.login_name = typed;
        EXPECT_EQ(ReadCStringLiteral(RenderParameter(r, 63, TextForm::CString)), typed) << round;
        EXPECT_EQ(ReadCStringLiteral(RenderParameter(r, 43, TextForm::CString)), typed + "\r") << round;
        EXPECT_EQ(RenderParameter(r, 63), "\"" + typed + "\"");
    }
    // Texts without anything to escape come out as they always have.
    const ConfigRecord r;
    for (int n : {41, 42, 43, 44, 45, 62, 63, 64, 65}) {
        EXPECT_EQ(RenderParameter(r, n, TextForm::CString), RenderParameter(r, n)) << n;
    }
    EXPECT_EQ(EscapeForCString("Is it on? ?" "?= \"x\""), "Is it on? ?\\?= \\\"x\\\"");
}
