#include "config/StackBuild.h"

#include <algorithm>

#include "config/ClockDefaults.h"
#include "config/LibrarySelection.h"

namespace quillon {

namespace {

namespace O = OptionBit;

// SDCC lays structs out without padding: zs_socket_entry is 1+1+2+2+4+4+4+2+1 bytes, an ARP
// entry 4+6+2, a user 16+16, a virtual file three 2-byte code pointers and words, a post entry
// a code pointer and a function pointer.
constexpr std::uint32_t kSocketEntry = 21;
constexpr std::uint32_t kArpEntry = 12;
constexpr std::uint32_t kUserEntry = 32;
constexpr std::uint32_t kVfileEntry = 6;
constexpr std::uint32_t kPostEntry = 4;

std::uint32_t AtLeastOne(std::uint32_t count) { return count > 0 ? count : 1; }

ConfigRecord Widened(const ConfigRecord& record) {
    ConfigRecord copy = record;
    SelectLibrary(copy, true);
    return copy;
}

bool Needs(const StackModule& module, const ConfigRecord& widened) {
    if (module.any_of == 0 && module.devices == 0) return true;
    return (widened.option_bits & module.any_of) != 0 || (widened.device_bits & module.devices) != 0;
}

}  // namespace

const std::vector<StackModule>& StackModules() {
    // The figures are what SDCC 4.2 places for each module (make size of the firmware tests
    // keeps them honest: the estimate must cover every linked build it is compared with).
    static const std::vector<StackModule> modules = {
        {"core", 0, 0, 47},
        {"hw8051", 0, 0, 57},
        {"ip", O::IP, 0, 29},
        {"icmp", O::PING, 0, 17},
        {"udp", O::UDP, 0, 58},
        {"slip", O::SLIP, 0, 21},
        {"modem", O::Modem, 0, 27},
        {"ppp", O::PPP, 0, 126},
        {"pap", O::PAP, 0, 37},
        {"eth", O::Ethernet, 0, 40},
        {"arp", O::ARP, 0, 84},
        {"lanvik", 0, DeviceBit::Lanvik, 0},
        {"tcp", O::TCP, 0, 161, 10},
        {"bootp", O::BOOTP, 0, 38},
        {"dhcp", O::DHCP, 0, 102},
        {"dns", 0, DeviceBit::Dns, 258},
        {"vfile", O::FTP | O::HTTP, 0, 28, 1},
        {"http", O::HTTP, 0, 90, 6},
        {"ftp", O::FTP, 0, 66},
        {"tftp", O::TFTP, 0, 74},
        {"smtp", O::SMTP, 0, 36},
    };
    return modules;
}

std::vector<StackModule> ModulesFor(const ConfigRecord& record) {
    const ConfigRecord widened = Widened(record);
    std::vector<StackModule> needed;
    for (const StackModule& module : StackModules()) {
        if (Needs(module, widened)) needed.push_back(module);
    }
    return needed;
}

FamilyMemory MemoryOf(const ConfigRecord& record) {
    // Every family has 4 KB of on-chip XDATA; code is what an unbanked 8051 build addresses.
    (void) record;
    return {65536, 4096};
}

XdataUse EstimateXdata(const ConfigRecord& record) {
    const ConfigRecord r = Widened(record);
    const std::uint32_t bits = r.option_bits;
    XdataUse use;
    use.available = MemoryOf(r).xdata_bytes;
    const auto add = [&](std::string what, std::uint32_t bytes) {
        if (bytes > 0) use.parts.push_back({std::move(what), bytes});
    };

    // zs_vars.c, section by section.
    add("transmit buffer", r.xmit_buff_size);
    add("receive buffer", r.recv_buff_size);
    add("sockets", AtLeastOne(r.num_sockets) * kSocketEntry);
    std::uint32_t addresses = 8;
    if (bits & O::SMTP) addresses += 4;
    if (bits & O::Ethernet) addresses += 6 + 6 + 4 + 4;
    add("addresses", addresses);
    if ((bits & O::PPP) && (bits & O::PAP)) add("PAP users", AtLeastOne(r.pap_num_users) * kUserEntry);
    if (bits & O::ARP) add("ARP cache", AtLeastOne(r.arp_cache_size) * kArpEntry);
    if (bits & O::DHCP) add("DHCP lease", 4);
    if (r.device_bits & DeviceBit::Dns) add("DNS buffer", r.dns_buff_size);
    if (bits & O::FTP) {
        add("FTP buffers", std::uint32_t{r.ftp_max_param} + r.ftp_buffer_len + r.mem_pool_size);
        add("FTP users", AtLeastOne(r.ftp_num_users) * kUserEntry);
    }
    if (bits & O::HTTP) {
        add("HTTP buffers", std::uint32_t{r.http_buffer_len} + r.uri_buffer_len + r.body_buffer_len);
        if (bits & O::VirtualFiles) add("HTTP post functions", AtLeastOne(r.num_post_funcs) * kPostEntry);
    }
    if (bits & O::PING) add("ping buffer", r.ping_buff_size);
    if (bits & O::SMTP) add("SMTP buffer", r.smtp_buffer_len);
    if (bits & O::VirtualFiles) add("virtual files", AtLeastOne(r.num_vf_pages) * kVfileEntry);
    // locatra.c: its answer (29 fixed bytes and the four texts with their zero bytes), the
    // event counters, the socket and what its functions keep in XDATA.
    if (r.locatra_enabled) {
        const std::uint32_t texts = static_cast<std::uint32_t>(r.locatra_name.size() + r.locatra_description.size() +
                                                               r.locatra_event1.size() + r.locatra_event2.size() + 4);
        add("LOCATRA service", 29 + texts + 36);
    }

    // main.c and zs_callback.c: the link flag, the last error and its count, the unclaimed
    // packet count and the callbacks' parameters; the PAP loop counter; what a BOOTP server
    // answered. Then what SDCC's own helpers (multiplication, division) keep in XDATA.
    std::uint32_t project = 24 + 16;
    if ((bits & O::PPP) && (bits & O::PAP)) project += 2;
    if (bits & O::BOOTP) project += 4 + 4 + 4 + 32;
    add("main.c, callbacks and SDCC's helpers", project);

    for (const StackModule& module : ModulesFor(r)) {
        add(std::string("zs_") + module.name + ".c", module.xdata + AtLeastOne(r.num_sockets) * module.per_socket);
    }

    std::stable_sort(use.parts.begin(), use.parts.end(),
                     [](const XdataPart& a, const XdataPart& b) { return a.bytes > b.bytes; });
    for (const XdataPart& part : use.parts) use.used += part.bytes;
    return use;
}

std::vector<Finding> MemoryFindings(const ConfigRecord& record) {
    const XdataUse use = EstimateXdata(record);
    if (use.used <= use.available) return {};
    Finding finding;
    finding.message = "The buffers, sockets and tables need " + std::to_string(use.used) + " bytes of XDATA, but the " +
                      "microcontroller has " + std::to_string(use.available) +
                      ": make the transmit or receive buffer smaller, or use fewer sockets";
    finding.node = OptionNode::Sockets;
    // The transmit buffer is the usual culprit and the first field of the Sockets page.
    finding.field = "xmit_buff_size";
    finding.value = use.used;
    finding.limit = use.available;
    return {finding};
}

}  // namespace quillon
