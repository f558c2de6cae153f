# Turns the profile files into one C++ source of {name, text} rows.
# Called as: cmake -DOUT=file.cpp -DPROFILES="a;b" -P embed_profiles.cmake
set(body "#include <utility>\nnamespace sim {\nextern const std::pair<const char*, const char*> kBuiltinProfiles[] = {\n")
set(count 0)
foreach(path ${PROFILES})
  get_filename_component(name ${path} NAME_WE)
  file(READ ${path} text)
  string(APPEND body "  {\"${name}\", R\"luma_profile(${text})luma_profile\"},\n")
  math(EXPR count "${count} + 1")
endforeach()
string(APPEND body "};\nextern const unsigned kBuiltinProfileCount = ${count};\n}  // namespace sim\n")
file(WRITE ${OUT}.tmp "${body}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
