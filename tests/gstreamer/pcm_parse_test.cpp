// The application's GStreamer element as <audio> has it: chosen by decodebin for AIFF and CAF,
// giving their sound whole, in time, and from where a seek asks.

#include "fake/app_fixture.h"
#include "pcm_files.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vorl {
namespace {

using namespace testing;

// What a pipeline's sink got: the caps, the bytes, each buffer's time, and the duration.
struct Played {
    std::string caps;
    std::string bytes;
    std::vector<GstClockTime> times;
    gint64 duration = -1;
    bool failed = false; // the pipeline never got ready
};

class PcmParse : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The build's element, in a registry of the test's own.
        g_setenv("GST_PLUGIN_PATH", VORL_GSTREAMER_PLUGINS, TRUE);
        g_setenv("GST_REGISTRY", (registry.path() / "registry.bin").c_str(), TRUE);
        gst_init(nullptr, nullptr);
    }
    // GStreamer's own threads and registry go too, before the leak check looks.
    static void TearDownTestSuite() { gst_deinit(); }
    static inline fake::TemporaryHome registry;

    // Plays contents through decodebin, from seekTo seconds where given.
    Played play(const std::string& contents, std::optional<double> seekTo = std::nullopt) {
        std::ofstream(path, std::ios::binary) << contents;
        std::string description =
            "filesrc location=\"" + path.string() + "\" ! decodebin ! appsink name=out sync=false";
        GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        Played played;
        played.failed =
            gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND) != GST_STATE_CHANGE_SUCCESS;
        gst_element_query_duration(pipeline, GST_FORMAT_TIME, &played.duration);
        if (seekTo)
            gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                    GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                    static_cast<gint64>(*seekTo * GST_SECOND));
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        while (GstSample* sample = played.failed
                                       ? nullptr
                                       : gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 5 * GST_SECOND)) {
            if (played.caps.empty()) {
                g_autofree char* caps = gst_caps_to_string(gst_sample_get_caps(sample));
                played.caps = caps;
            }
            GstBuffer* buffer = gst_sample_get_buffer(sample);
            GstMapInfo map;
            gst_buffer_map(buffer, &map, GST_MAP_READ);
            played.bytes.append(reinterpret_cast<const char*>(map.data), map.size);
            gst_buffer_unmap(buffer, &map);
            played.times.push_back(GST_BUFFER_PTS(buffer));
            gst_sample_unref(sample);
        }
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
        return played;
    }

    fake::TemporaryHome home;
    std::filesystem::path path = home.path() / "lyd";
};

// frames of a counting sound: each sample's bytes tell where it lies.
std::string counting(std::size_t bytes) {
    std::string sound(bytes, '\0');
    for (std::size_t i = 0; i < bytes; ++i)
        sound[i] = static_cast<char>(i * 7 % 251);
    return sound;
}

TEST_F(PcmParse, AiffComesWholeInTimeAndFromWhereASeekAsks) {
    const std::string sound = counting(48000 * 2 * 2); // 1 s of 16-bit stereo at 48 kHz
    const std::string file = aiff(comm(2, 48000, 16, 48000) + ssnd(sound) + chunk("ANNO", "etter"));
    Played whole = play(file);
    EXPECT_NE(whole.caps.find("format=(string)S16BE"), std::string::npos) << whole.caps;
    EXPECT_NE(whole.caps.find("channels=(int)2"), std::string::npos);
    EXPECT_EQ(whole.bytes, sound) << "every frame, and nothing of the chunk after them";
    EXPECT_EQ(whole.duration, GST_SECOND);
    EXPECT_EQ(whole.times.front(), 0u);

    Played half = play(file, 0.5);
    ASSERT_FALSE(half.times.empty());
    EXPECT_EQ(half.times.front(), GST_SECOND / 2);
    EXPECT_EQ(half.bytes, sound.substr(sound.size() / 2));
}

TEST_F(PcmParse, CafOfWideWordsAndSixChannelsReachesTheSinkAsItIs) {
    const std::string sound = counting(4800 * 6 * 4); // 0.1 s of 24 bits low in 4-byte words, 5.1
    Played played = play(caf(6, 24, 2, sound, -2, "lpcm", 4));
    EXPECT_NE(played.caps.find("format=(string)S24_32LE"), std::string::npos) << played.caps;
    EXPECT_NE(played.caps.find("channels=(int)6"), std::string::npos);
    EXPECT_NE(played.caps.find("channel-mask=(bitmask)0x000000000000003f"), std::string::npos);
    EXPECT_EQ(played.bytes, sound);
    EXPECT_EQ(played.duration, GST_SECOND / 10);
}

TEST_F(PcmParse, AFileWhoseSoundCannotBeReadEndsInAnError) {
    Played played = play(caf(2, 16, 0, counting(64), -2, "aac "));
    EXPECT_TRUE(played.failed);
    EXPECT_TRUE(played.bytes.empty());
}

} // namespace
} // namespace vorl
