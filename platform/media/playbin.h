#pragma once

#include <gst/gst.h>

#include <string>

// What the sound and the media player share: GStreamer's start and the
// playbin they both play through. Used inside platform/media only.
namespace dezu::media::detail {

// False when GStreamer cannot start here; nothing then plays.
bool gstreamer_ready();

// A playbin for the URI that plays sound only: no video, subtitle or
// visualisation branch is ever built, a picture stream is dropped at its
// demuxer without being decoded, and no video sink is ever made or tried.
// The audio output is the desktop's own unless DEZU_AUDIO_SINK names an
// element description ("fakesink sync=true"). Null when none can be made.
GstElement* make_sound_playbin(const std::string& uri);

}  // namespace dezu::media::detail
