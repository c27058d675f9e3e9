#pragma once

// The page's files (web/static/), built into the program: the server needs no folder of its
// own and serves nothing else.

#include <optional>
#include <string_view>

namespace kestrum::web {

struct Asset {
    std::string_view bytes;
    // Its Content-Type.
    std::string_view type;
};

// The file of that name (no folder: "index.html", "app.js"); nothing for any other.
std::optional<Asset> findAsset(std::string_view name);

} // namespace kestrum::web
