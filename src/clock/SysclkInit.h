// The body of the generated SYSCLK_Init routine, built from the clock block once the user has
// confirmed the oscillator sheet. The caller writes the routine's head before it and the
// closing brace after it. Every line ends in CR LF.
#pragma once

#include <string>
#include <string_view>

#include "config/ConfigRecord.h"

namespace quillon {

// Appends "    NAME = 0xVV;" and CR LF (the low 8 bits of value, two upper-case hex digits).
void EmitRegisterSet(std::string_view name, unsigned value, std::string& out);
// Appends "    NAME |= 0xVV;" and CR LF.
void EmitRegisterOr(std::string_view name, unsigned value, std::string& out);

// One variant per family; each replaces the buffer's content with the body.
void EmitSysclkInitVardex(const ConfigRecord& record, std::string& out);
void EmitSysclkInitPelmar(const ConfigRecord& record, std::string& out);
void EmitSysclkInitZintor(const ConfigRecord& record, std::string& out);

// The variant the generated main.c uses: Pelmar when device bit 9 is set, else Zintor when
// bit 10 is set, else Vardex.
void EmitSysclkInit(const ConfigRecord& record, std::string& out);

}  // namespace quillon
