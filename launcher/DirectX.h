// Whether DirectX 8.1 or later is installed, learnt by loading two of its libraries.
#pragma once

#include <cstdint>

// 0: DirectX 8 is missing ("D3D8.DLL" does not load).
// 0x800: DirectX 8.0 ("D3D8.DLL" loads, "dpnhpast.dll" does not).
// 0x801: DirectX 8.1 or later.
std::uint32_t ProbeDirectX();
