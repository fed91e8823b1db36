#include "generator/StackSources.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "config/ClockDefaults.h"
#include "config/StackBuild.h"
#include "resources/Resources.h"

namespace quillon {

namespace {

// Generated C has CR LF line ends like every other generated source; the repository keeps the
// stack's files with single line feeds.
Bytes WithCrLf(std::span<const std::uint8_t> text) {
    Bytes out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

const char* FamilyText(const ConfigRecord& record) {
    switch (FamilyOf(record.device_bits)) {
        case Family::Vardex: return "Vardex";
        case Family::Pelmar: return "Pelmar";
        case Family::Zintor: return "Zintor";
        case Family::None: break;
    }
    return "8051";
}

std::string FamilyKey(const ConfigRecord& record) {
    std::string key = FamilyText(record);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

std::string MakefileText(const ConfigRecord& record, const std::vector<std::string>& project,
                         const std::vector<std::string>& stack, const std::vector<std::string>& missing) {
    const FamilyMemory memory = MemoryOf(record);
    std::ostringstream m;
    m << "# Builds the firmware with SDCC, the TCP/IP stack from its source.\n"
         "#\n"
         "#   make          build/firmware.ihx and build/firmware.hex\n"
         "#   make size     the code and XDATA the firmware takes of the "
      << FamilyText(record)
      << "'s\n"
         "#   make clean    removes build/\n"
         "#\n"
         "# Add your own C files to USER_SOURCES; SDCC=/path/to/sdcc picks another compiler.\n"
         "\n"
         "SDCC       ?= sdcc\n"
         "PACKIHX    ?= packihx\n"
         "CODE_SIZE  := "
      << memory.code_bytes
      << "\n"
         "XDATA_SIZE := "
      << memory.xdata_bytes
      << "\n"
         "# The family whose register header `quillon-cli simulate` reads.\n"
         "FAMILY     := "
      << FamilyKey(record)
      << "\n"
         "CFLAGS     := -mmcs51 --model-large --opt-code-size\n"
         "LDFLAGS    := --code-size $(CODE_SIZE) --xram-size $(XDATA_SIZE) --iram-size 256\n"
         "\n"
         "PROJECT_SOURCES := "
      << Joined(project)
      << "\n"
         "STACK_SOURCES   := "
      << Joined(stack)
      << "\n"
         "USER_SOURCES    :=\n"
         "PAGE_SOURCES    := $(wildcard VFILE_DIR/*.c)\n"
         "SOURCES := $(PROJECT_SOURCES) $(STACK_SOURCES) $(USER_SOURCES) $(PAGE_SOURCES)\n"
         "OBJECTS := $(patsubst %.c,build/%.rel,$(SOURCES))\n"
         "HEADERS := $(wildcard *.h VFILE_DIR/*.h)\n"
         "\n";
    if (!missing.empty()) {
        if (std::find(missing.begin(), missing.end(), "zs_lanvik.c") != missing.end()) {
            m << "# zs_lanvik.c, the Lanvik controller's driver, is not part of the stack's source: the\n"
                 "# controller's registers are not described for it. `quillon-cli simulate DIR --host` runs\n"
                 "# this project on a PC; for a board built with make, choose the custom Ethernet device and\n"
                 "# write your controller's access into custom_ethernet.c.\n";
        }
        m << "# The stack's source does not have these parts yet; the IDE workspace links them from its\n"
             "# library pair.\n"
             "MISSING := "
          << Joined(missing)
          << "\n"
             "$(error the stack's source lacks $(MISSING) for this configuration: build it with the IDE workspace)\n"
             "\n";
    }
    m << "all: build/firmware.hex\n"
         "\n"
         "build/firmware.hex: build/firmware.ihx\n"
         "\t$(PACKIHX) $< > $@\n"
         "\n"
         "build/firmware.ihx: $(OBJECTS)\n"
         "\t$(SDCC) $(CFLAGS) $(LDFLAGS) -o $@ $(OBJECTS)\n"
         "\n"
         "build/%.rel: %.c $(HEADERS)\n"
         "\t@mkdir -p $(dir $@)\n"
         "\t$(SDCC) $(CFLAGS) -c $< -o $@\n"
         "\n"
         "# The linker's memory summary: the size column of the code and external RAM rows.\n"
         "size: build/firmware.ihx\n"
         "\t@awk '/ROM\\/EPROM\\/FLASH/ { code = $$(NF-1) } /EXTERNAL RAM/ { xdata = $$(NF-1) } \\\n"
         "\t     END { print \"code: \" code \" of $(CODE_SIZE) bytes\"; \\\n"
         "\t           print \"xdata: \" xdata \" of $(XDATA_SIZE) bytes\" }' build/firmware.mem\n"
         "\n"
         "clean:\n"
         "\trm -rf build\n"
         "\n"
         ".PHONY: all size clean\n";
    return m.str();
}

}  // namespace

StackSourcePlan PlanStackSources(const ConfigRecord& record, const std::vector<std::string>& sources) {
    StackSourcePlan plan;
    const std::vector<std::string> carried = StackSourceNames();
    const auto carries = [&](const std::string& name) {
        for (const std::string& c : carried)
            if (c == name) return true;
        return false;
    };

    // Every header goes with every project: the modules share them. The host port (host/...)
    // stays out: `simulate --host` writes it into the build folder when it is used.
    for (const std::string& name : carried) {
        if (name.ends_with(".h") && name.find('/') == std::string::npos) {
            plan.files.push_back({name, WithCrLf(StackSourceFile(name))});
        }
    }
    std::vector<std::string> stack;
    for (const StackModule& module : ModulesFor(record)) {
        const std::string name = std::string("zs_") + module.name + ".c";
        if (!carries(name)) {
            plan.missing.push_back(name);
            continue;
        }
        plan.files.push_back({name, WithCrLf(StackSourceFile(name))});
        stack.push_back(name);
    }

    std::vector<std::string> project;
    for (const std::string& source : sources) {
        // The converted pages are found by the Makefile itself: the user adds their own.
        if (source.ends_with(".c") && source.find('/') == std::string::npos) project.push_back(source);
    }
    const std::string makefile = MakefileText(record, project, stack, plan.missing);
    plan.files.push_back({"Makefile", Bytes(makefile.begin(), makefile.end())});
    return plan;
}

}  // namespace quillon
