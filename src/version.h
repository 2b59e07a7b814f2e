// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The engine's name and version, as the protocols and --version give it.
constexpr const char* ENGINE_NAME = "Quillmaren v0.1g";
