// The stack's components as resources/stack/components.txt lists them: which module of which
// half of a library pair each is, for which option sets it is built in, and the functions it
// exports. The sample libraries of the store are generated from this table, and the store's
// tests check every library against it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Source: a component that no library holds; the project compiles it from the stack's source
// when its device bits ask for it (the DNS resolver).
enum class LibraryHalf { Common, Bank, Source };

struct StackComponent {
    std::string module;  // ZS_TCP
    LibraryHalf half = LibraryHalf::Common;
    // The option bits the condition names; with `any_of` one of them suffices, otherwise all
    // are needed. A mask of 0 means the component is always built in.
    std::uint32_t condition_bits = 0;
    bool any_of = false;
    // The device bits a Source component's condition names instead of option bits.
    std::uint32_t device_bits = 0;
    std::vector<std::string> functions;
};

struct StackComponentTable {
    std::vector<StackComponent> components;
    std::vector<std::string> errors;  // "line N: why", one per line that could not be read
};

// Parses the table's text: one component per line, '#' comment lines and blank lines ignored.
StackComponentTable ParseStackComponents(std::string_view text);

// The option bit of a name as the table spells it ("TCP", "VirtualFiles"); 0 when unknown.
std::uint32_t OptionBitByName(std::string_view name);

// The device bit of a name as the table spells it ("DNS"); 0 when unknown.
std::uint32_t DeviceBitByName(std::string_view name);

// Whether a library built for `option_set` contains the component (a Source component never).
bool ComponentInLibrary(const StackComponent& component, std::uint32_t option_set);

// The components of one half of the library for `option_set`, in table order.
std::vector<const StackComponent*> ComponentsOf(const std::vector<StackComponent>& table, LibraryHalf half,
                                                std::uint32_t option_set);

}  // namespace quillon
