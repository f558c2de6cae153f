// luma_cli --regdb [FAMILY]: the register maps as JSON on standard output,
// in the form docs/regdb.schema.json describes.
#pragma once

constexpr int kRegdbUnknownFamily = 2;

// Every family's map, or the one named ("dov"); kRegdbUnknownFamily for a
// name that is no family (said on standard error).
int write_register_map_json(const char* family_name);
