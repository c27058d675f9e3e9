#pragma once

// The maker's web host gone bad (feedsim --hostile): the panel pages try what a hostile page
// would, for trying the program's web panels against them.
//
//   /add/vnadd1.html (the top panel): in rounds, an alert, a confirm and a prompt (any of
//     them, shown, would hold the page until answered), a window.open loop, script clicks on
//     a link that asks for a new window, on a file:// link and on a link of another program's
//     scheme (kestrum-hostile:), script navigations to both, and three downloads (a link with
//     the download attribute, a blob made by the script, a response with Content-Disposition:
//     attachment); its title counts the rounds ("hostile: round N", then "hostile: done").
//     The whole page is one link with target=_blank whose click handler also loops on
//     window.open: a click of the user should open one window at most.
//   /add/vnadd3.html (the right panel): asks for the location, notifications, camera and
//     microphone, and reads the clipboard; its title gives the outcomes once all are in
//     ("permissions geo=... notify=... media=... clipboard=... paste=...").
//   the other lotteries' panel pages: after half a second the script loops forever
//     ("hang: now" is the last title it sets).

#include "feedsim/WebPages.h"

#include <string_view>

namespace feedsim {

// The hostile file at path; an empty contentType when the path is none of them.
Page hostilePage(std::string_view path);

} // namespace feedsim
