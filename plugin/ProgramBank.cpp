#include "plugin/ProgramBank.h"

#include "plugin/FactoryBank.h"

ProgramBank::ProgramBank() : table(new ProgramRecord[kProgramCount]) { fillFactoryBank(table.get()); }
