# Writes OUTPUT, a C++ file that defines kestrum::web::findAsset over the files FILES (paths
# apart by "|"), each by its name and with the Content-Type of its ending.
# Run as: cmake -DOUTPUT=... -DFILES=... -P EmbedAssets.cmake
set(types_html "text/html; charset=utf-8")
set(types_js "text/javascript; charset=utf-8")
set(types_css "text/css; charset=utf-8")
set(types_svg "image/svg+xml")
set(types_png "image/png")
set(types_txt "text/plain; charset=utf-8")
set(types_json "application/json; charset=utf-8")

string(REPLACE "|" ";" FILES "${FILES}")
set(body "")
set(table "")
set(index 0)
foreach(file IN LISTS FILES)
    get_filename_component(name "${file}" NAME)
    get_filename_component(ending "${file}" LAST_EXT)
    string(SUBSTRING "${ending}" 1 -1 ending)
    if(NOT DEFINED types_${ending})
        message(FATAL_ERROR "no Content-Type known for ${name}")
    endif()
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND body "const char kAsset${index}[] = {${bytes} 0};\n")
    string(APPEND table "    {\"${name}\", {std::string_view(kAsset${index}, ${size}), \"${types_${ending}}\"}},\n")
    math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}.new" "// Made by cmake/EmbedAssets.cmake from web/static/: do not edit.
#include \"web/Assets.h\"

#include <utility>

namespace kestrum::web {

namespace {

${body}
const std::pair<std::string_view, Asset> kAssets[] = {
${table}};

} // namespace

std::optional<Asset> findAsset(std::string_view name) {
    for (const auto& [assetName, asset] : kAssets) {
        if (assetName == name) {
            return asset;
        }
    }
    return std::nullopt;
}

} // namespace kestrum::web
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
