// The names of the codes fields hold, for the marks and the table view.
#pragma once

#include "core/CodeNames.h"
#include "ui/Text.h"

#include <QString>

// The name of a code a field holds, where it has one ("Main Battle Tank"), in the tables given.
template <class R>
inline QString codeName(const FieldDef<R>& f, uint32_t v, const OrbData& orb)
{
    return toQ(CodeName(f, v, orb));
}
