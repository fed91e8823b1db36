// What building the stack from source takes: the modules a configuration needs, the memory of
// the family it runs on, and the external data memory (XDATA) the build will use. The wizard's
// memory finding, the generated Makefile and the project's stack sources all read these facts,
// so that what the window promises is what `make` links.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/Finding.h"

namespace quillon {

// One module of the stack's source: stack/zs_NAME.c, built when the configuration has any of
// `any_of` (option bits) or `devices` (device bits); both zero: every project.
struct StackModule {
    const char* name;
    std::uint32_t any_of = 0;
    std::uint32_t devices = 0;
    // The XDATA of the module's own variables, parameters and locals in SDCC's large model
    // (which gives every function its own), as the linker places them.
    std::uint16_t xdata = 0;
    // What the module keeps for each socket of the configuration on top of `xdata`.
    std::uint16_t per_socket = 0;
};

// Every module the stack will have, in link order.
const std::vector<StackModule>& StackModules();

// The modules `record` needs. The option bits are widened to the linked library's set first,
// as Generate Project does, so the answer describes the project that would be generated.
std::vector<StackModule> ModulesFor(const ConfigRecord& record);

// The memory SDCC may fill: code up to the 8051's 64 KB address space (the build does not bank)
// and the family's on-chip XDATA.
struct FamilyMemory {
    std::uint32_t code_bytes = 0;
    std::uint32_t xdata_bytes = 0;
};
FamilyMemory MemoryOf(const ConfigRecord& record);

struct XdataPart {
    std::string what;  // "receive buffer", "sockets", "zs_udp.c"
    std::uint32_t bytes = 0;
};

struct XdataUse {
    std::uint32_t used = 0;
    std::uint32_t available = 0;
    std::vector<XdataPart> parts;  // what makes up `used`, largest first
};

// The XDATA the firmware of `record` takes: the buffers, sockets and tables of zs_vars.c sized
// by the configuration, the project's own variables and the stack modules.
XdataUse EstimateXdata(const ConfigRecord& record);

// A finding on the buffer sizes when they cannot fit the family's XDATA; none when they do.
std::vector<Finding> MemoryFindings(const ConfigRecord& record);

}  // namespace quillon
