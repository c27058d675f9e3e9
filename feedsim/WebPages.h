#pragma once

// The maker's web host as the local feed server simulates it: the version file, the
// promotional address file, the update package, the panel pages, the site page and the
// promotional page. Every page says that the draws are simulated.

#include <string>
#include <string_view>

namespace feedsim {

// The ports the three hosts listen on, for the addresses the pages name.
struct Ports {
    int web = 0;
    int feed1 = 0;
    int feed2 = 0;
};

// A file of the maker's host; an empty contentType means there is none at that path.
struct Page {
    std::string body;
    std::string contentType;
    // The Content-Disposition header, when the file is to be saved rather than shown.
    std::string disposition = {};
};

Page webPage(std::string_view path, const Ports& ports);

} // namespace feedsim
