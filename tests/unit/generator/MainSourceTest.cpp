#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "config/ClockDefaults.h"
#include "clock/SysclkInit.h"
#include "config/LibrarySelection.h"
#include "generator/MainSource.h"

using namespace quillon;

namespace {

// Logs the pieces instead of their texts: "F129" for fragment 129, "D195" for data file 195,
// and computed text as it is.
class RecordingWriter : public SourceWriter {
public:
    void WriteFragment(int id) override { pieces.push_back("F" + std::to_string(id)); }
    void WriteDataFile(int number) override { pieces.push_back("D" + std::to_string(number)); }
    void WriteText(std::string_view text) override { pieces.emplace_back(text); }
    std::vector<std::string> pieces;
};

using Pieces = std::vector<std::string>;

// The record of a default project as the generation sees it: Vardex, Lanvik, Ethernet,
// widened to library 37.
ConfigRecord DefaultProject() {
    ConfigRecord r;
    ApplyClockDefaults(r);
    SelectLibrary(r, true);
    return r;
}

ConfigRecord LocatraProject(std::uint32_t family) {
    ConfigRecord r = DefaultProject();
    r.device_bits = DeviceBit::Lanvik | family;
    ApplyClockDefaults(r);
    r.locatra_enabled = 1;
    return r;
}

ConfigRecord ModemProject(std::uint32_t family) {
    ConfigRecord r;
    r.option_bits = 0x8C05A;  // PPP with PAP and TCP, library 14
    r.device_bits = family;
    return r;
}

template <typename Emit>
Pieces Record(const ConfigRecord& r, Emit emit) {
    RecordingWriter out;
    emit(r, out);
    return out.pieces;
}

Pieces Main(const ConfigRecord& r) {
    RecordingWriter out;
    ComposeMainSource(r, "BODY", "DATE", out);
    return out.pieces;
}

bool Contains(const Pieces& pieces, const std::string& piece) {
    return std::find(pieces.begin(), pieces.end(), piece) != pieces.end();
}

}  // namespace

TEST(MainSource, DefaultProjectPiecesInOrder) {
    const Pieces expected = {
        "F129", "DATE", "\n", "F180", "F130", "F102", "F106",                 // banner, includes
        "F107", "F124", "F185",                                               // prototypes
        "BODY",                                                               // main routine
        "F137", "F144", "F146", "F147", "F148", "F198", "F154", "F155",       // PORT_Init
        "F156", "F157", "F159", "F161", "F162", "F163",                       // EMIF_Init
        "F164", "F167", "F168", "F169",                                       // fixed SYSCLK_Init
        "F170", "F171", "F174", "F175", "F176", "F179",                       // reset lines
    };
    EXPECT_EQ(Main(DefaultProject()), expected);
}

TEST(MainSource, ConfirmedClockCarriesTheComputedSysclkInit) {
    ConfigRecord r = DefaultProject();
    r.clock_confirmed = 1;
    std::string body;
    EmitSysclkInit(r, body);
    const Pieces pieces = Main(r);
    const auto head = std::find(pieces.begin(), pieces.end(), "F139");
    ASSERT_NE(head, pieces.end());
    ASSERT_LT(head + 3, pieces.end());
    EXPECT_EQ(*(head + 1), body);
    EXPECT_EQ(*(head + 2), "}\n\n");
    EXPECT_EQ(*(head + 3), "F170");
    EXPECT_FALSE(Contains(pieces, "F164"));
    EXPECT_FALSE(Contains(pieces, "F167"));
}

TEST(MainSource, LocatraPiecesByFamily) {
    ConfigRecord zintor = LocatraProject(DeviceBit::Zintor);
    zintor.clock.sysclk_hz = 48000000;
    const Pieces z = Main(zintor);
    const Pieces z_head(z.begin(), z.begin() + 13);
    EXPECT_EQ(z_head, (Pieces{"F129", "DATE", "\n", "F182", "F130", "F102", "F186", "F184", "F187",
                              "#define SYSCLK                  48000000", "F196", "F107", "F124"}));
    EXPECT_TRUE(Contains(z, "F188"));
    const auto body = std::find(z.begin(), z.end(), "BODY");
    ASSERT_NE(body, z.end());
    EXPECT_EQ(*(body + 1), "F190");
    EXPECT_TRUE(Contains(z, "F189"));
    EXPECT_TRUE(Contains(z, "F151"));
    EXPECT_TRUE(Contains(z, "F160"));
    EXPECT_TRUE(Contains(z, "F165"));
    EXPECT_TRUE(Contains(z, "F173"));
    EXPECT_TRUE(Contains(z, "F177"));

    // Pelmar's fragment holds the default crystal's SYSCLK: the default clock writes it as it
    // is, any other clock takes the place of its number.
    ConfigRecord pelmar = LocatraProject(DeviceBit::Pelmar);
    pelmar.clock.sysclk_hz = 22118400;
    EXPECT_TRUE(Contains(Main(pelmar), "F195"));
    pelmar.clock.sysclk_hz = 12345;
    const Pieces p = Main(pelmar);
    EXPECT_FALSE(Contains(p, "F195"));
    EXPECT_TRUE(Contains(p, "#define SYSCLK                  12345"));
    TextSourceWriter text;
    ComposeMainSource(pelmar, "", "", text);
    EXPECT_NE(text.Text().find("RCAP2, 0xCA);"), std::string::npos);
    EXPECT_NE(text.Text().find("#define SYSCLK                  12345L       // SYSCLK frequency in Hz\n"
                               "#define T2_OVERFLOW_RATE        32L "),
              std::string::npos);
    EXPECT_EQ(text.Text().find("22118400"), std::string::npos);
    EXPECT_FALSE(Contains(p, "F187"));
    EXPECT_TRUE(Contains(p, "F191"));
    EXPECT_TRUE(Contains(p, "F193"));
    EXPECT_EQ(Record(pelmar, EmitPortInit), (Pieces{"F144", "F147", "F149", "F150", "F155"}));

    const Pieces v = Main(LocatraProject(DeviceBit::Vardex));
    EXPECT_TRUE(Contains(v, "F194"));
    EXPECT_TRUE(Contains(v, "F197"));
    EXPECT_TRUE(Contains(v, "F191"));
    EXPECT_TRUE(Contains(v, "F192"));
}

TEST(MainSource, ModemProjectsHaveNoMemoryInterfaceOrResetRoutines) {
    const ConfigRecord vardex = ModemProject(DeviceBit::Vardex);
    EXPECT_EQ(Record(vardex, EmitPortInit), (Pieces{"F144", "F146", "F152", "F153", "F154", "F155"}));
    const Pieces v = Main(vardex);
    EXPECT_FALSE(Contains(v, "F156"));
    EXPECT_FALSE(Contains(v, "F170"));
    EXPECT_FALSE(Contains(v, "F124"));
    EXPECT_FALSE(Contains(v, "F185"));

    EXPECT_EQ(Record(ModemProject(DeviceBit::Pelmar), EmitPortInit), (Pieces{"F144", "F155"}));
    EXPECT_EQ(Record(ModemProject(DeviceBit::Zintor), EmitPortInit), (Pieces{"F144", "F155"}));
}

TEST(MainSource, RoutinesByFamily) {
    ConfigRecord r = DefaultProject();
    r.device_bits = DeviceBit::Lanvik | DeviceBit::Pelmar;
    EXPECT_EQ(Record(r, EmitEmifInit), (Pieces{"F156", "F159", "F161", "F163"}));
    EXPECT_EQ(Record(r, EmitDefaultSysclkInit), (Pieces{"F164", "F166", "F169"}));
    EXPECT_EQ(Record(r, EmitEtherReset), (Pieces{"F170", "F172", "F174", "F175", "F178", "F179"}));
    r.device_bits = DeviceBit::Lanvik | DeviceBit::Zintor;
    EXPECT_EQ(Record(r, EmitEmifInit), (Pieces{"F156", "F160", "F161", "F163"}));
    EXPECT_EQ(Record(r, EmitPortInit), (Pieces{"F144", "F151", "F155"}));
    // Without a family only the frame of each routine is written.
    r.device_bits = 0;
    EXPECT_EQ(Record(r, EmitDefaultSysclkInit), (Pieces{"F164", "F169"}));
}

TEST(MainSource, WebProjectIncludesTheSamplePageHeader) {
    ConfigRecord r = DefaultProject();
    r.option_bits |= OptionBit::HTTP;
    const Pieces pieces = Main(r);
    const auto includes = std::find(pieces.begin(), pieces.end(), "F102");
    ASSERT_NE(includes, pieces.end());
    EXPECT_EQ(*(includes + 1), "F138");
}

TEST(MainSource, MainRoutineIsUsedUpToItsFirstZeroByte) {
    RecordingWriter out;
    ComposeMainSource(DefaultProject(), std::string_view("main\0rest", 9), "D", out);
    EXPECT_TRUE(Contains(out.pieces, "main"));
}

TEST(CallbackSource, PiecesFollowAdapterLocatraAndTransport) {
    ConfigRecord r = DefaultProject();
    RecordingWriter lanvik;
    ComposeCallbackSource(r, 196, lanvik);
    EXPECT_EQ(lanvik.pieces, (Pieces{"D195", "\n", "F102", "F106", "\n\n", "D196", "\n", "D199", "\n\n", "D194"}));

    r.option_bits = 0x1480B9;  // UDP only
    r.locatra_enabled = 1;
    r.device_bits = DeviceBit::Lanvik;  // no family: no SFR include
    RecordingWriter udp;
    ComposeCallbackSource(r, 196, udp);
    EXPECT_EQ(udp.pieces, (Pieces{"D195", "\n", "F102", "F186", "D196", "\n", "D200"}));
}

TEST(GenerationDate, SourceDateEpochGivesAFixedUtcTime) {
    EXPECT_EQ(GenerationDateText("0", 123456789), "Thu Jan  1 00:00:00 1970");
    EXPECT_EQ(GenerationDateText("1700000000", 0), "Tue Nov 14 22:13:20 2023");
    const std::time_t now = 1000000000;
    for (const char* malformed : {"", "12abc", "-5", "+5", " 5", "99999999999999999999"}) {
        EXPECT_EQ(GenerationDateText(malformed, now), GenerationDateText(nullptr, now)) << malformed;
    }
}

TEST(DropLineAfterComment, RemovesOnlyTheWaitAfterTheDhcpComment) {
    const std::string comment = "// The DHCP server did not assign a valid IP address.";
    std::string text = "while(1);\r\nx();\r\n    " + comment + "\r\n    while(1);\r\n    next();\r\n";
    EXPECT_TRUE(DropLineAfterComment(text, "while(1);"));
    EXPECT_EQ(text, "while(1);\r\nx();\r\n    " + comment + "\r\n    \n    next();\r\n");

    std::string without = "while(1);\r\n";
    EXPECT_FALSE(DropLineAfterComment(without, "while(1);"));
    std::string at_end = comment + "while(1);";
    EXPECT_TRUE(DropLineAfterComment(at_end, "while(1);"));
    EXPECT_EQ(at_end, comment);
}

TEST(MainSourceText, LeavesOptionBit22Clear) {
    ConfigRecord r = LocatraProject(DeviceBit::Vardex);
    const std::string text = MainSourceText(r, "today");
    EXPECT_EQ(r.option_bits & OptionBit::LocatraMain, 0u);
    EXPECT_EQ(DateLineText(text), "today");
}

TEST(DateLine, OnlyTheDateOfTheFirstDateLineChanges) {
    const std::string text = "// x\n// Date: Tue Nov 14 22:13:20 2023\nint a; // Date: no\n// Date: later\n";
    EXPECT_EQ(DateLineText(text), "Tue Nov 14 22:13:20 2023");
    EXPECT_EQ(WithDateLineText(text, "then"), "// x\n// Date: then\nint a; // Date: no\n// Date: later\n");
    EXPECT_EQ(WithDateLineText("// Date: a", "b"), "// Date: b");
    EXPECT_FALSE(DateLineText("int a; // Date: not at a line start\n"));
}
