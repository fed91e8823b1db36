#include <gtest/gtest.h>

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
