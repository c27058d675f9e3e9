#pragma once

// The draws that plan, search and export work on: one lottery's, in an engine of their own,
// read from its feed or from --feed SOURCE and loaded as the window's start-up loads them
// (then, for a replay, refreshed one newer line at a time).

#include "cli/CommandLine.h"
#include "cli/FeedSource.h"
#include "cli/HeadlessView.h"
#include "cli/NetworkClient.h"
#include "cli/Output.h"
#include "draws/DrawSourceClient.h"
#include "launch/RunSettings.h"

#include <cstddef>
#include <memory>
#include <optional>

namespace kestrum::cli {

class DrawsRun {
public:
    // Reads --feed SOURCE, when given, from its file, standard input or address, in the format
    // of the lottery's source in the settings. Nothing (the reason said on standard error) when
    // it cannot be read, or holds no draws.
    static std::unique_ptr<DrawsRun> open(const Request& request, const RunSettings& settings);

    DrawsRun(const DrawsRun&) = delete;
    DrawsRun& operator=(const DrawsRun&) = delete;

    // Loads the draws, the plans computed over them, and writes the export files when
    // `writeExports` (the promotional line that ends them is the caller's to fetch first).
    // The exit status when no line could be loaded (the reason said on standard error);
    // nothing when the draws are in.
    std::optional<int> load(bool writeExports);

    CommandContext& context() { return m_context; }
    const HeadlessView& view() const { return m_view; }
    // The draws stored, once loaded.
    DrawsShown shown() const;

private:
    DrawsRun(const Request& request, const RunSettings& settings, std::string feedUrl,
             std::unique_ptr<NetworkClient> network, std::unique_ptr<SourceHttpClient> source,
             std::size_t replayFirst);

    const Request& m_request;
    // The lottery's feed address on its host.
    std::string m_feedUrl;
    std::unique_ptr<NetworkClient> m_network;
    // Answers the lottery's feed address with SOURCE's lines; none without --feed.
    std::unique_ptr<SourceHttpClient> m_source;
    // Without --feed: the lottery's draw source of the settings, when it has one.
    DrawSourceClient m_sources;
    // The replay starts with the oldest 30 lines; the newer ones come one per refresh.
    std::size_t m_replayFirst;
    std::unique_ptr<Engine> m_engine;
    HeadlessView m_view;
    CommandContext m_context;
};

} // namespace kestrum::cli
