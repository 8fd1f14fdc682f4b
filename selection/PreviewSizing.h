#pragma once

namespace obri {

struct ClientSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

// Client area of the preview for a picture of width x height on a screen whose full-screen client
// area is screenWidth x screenHeight: the picture plus a margin of 4, cut to the screen, and never
// narrower than 32 for pictures 32 wide or less.
ClientSize previewClientSize(int width, int height, int screenWidth, int screenHeight);

}  // namespace obri
