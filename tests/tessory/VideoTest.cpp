// Decoding, encoding and audio pass-through, checked with ffprobe.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "InputError.h"
#include "TestSupport.h"
#include "VideoReader.h"
#include "VideoWriter.h"

using namespace Corvane::Tessory::Cli;
using namespace TessoryTest;

TEST(VideoTest, ReaderDecodesEveryFrameWithItsTime) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 12));
    VideoReader reader(dir / "in.mp4");
    EXPECT_EQ(reader.width(), 160);
    EXPECT_EQ(reader.height(), 120);
    EXPECT_DOUBLE_EQ(reader.fps(), 10);
    EXPECT_EQ(reader.expectedFrames(), 12);
    VideoFrame frame;
    int count = 0;
    while (reader.read(frame)) {
        EXPECT_EQ(frame.index, count);
        EXPECT_NEAR(frame.seconds - reader.startSeconds(), count * 0.1, 1e-6);
        EXPECT_EQ(frame.image.width(), 160);
        EXPECT_EQ(frame.image.pixel(80, 60)[3], 255);
        ++count;
    }
    EXPECT_EQ(count, 12);
    EXPECT_FALSE(reader.read(frame));  // stays at the end
}

TEST(VideoTest, WriterKeepsSizeRateAndCopiesAudio) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 12));
    VideoWriter::Options o;
    o.width = 160;
    o.height = 120;
    o.rateNum = 10;
    o.audioSource = dir / "in.mp4";
    VideoWriter writer(dir / "out.mp4", "out.mp4", o);
    EXPECT_EQ(writer.audioNote(), "");
    Image image(160, 120);
    for (int i = 0; i < 12; ++i) {
        image.fill(static_cast<uint8_t>(i * 20), 100, 50, 255);
        writer.write(image, i / 10.0);
    }
    writer.finish();
    const std::string out = dir / "out.mp4";
    EXPECT_EQ(probe(out, "v:0", "width,height"), "160,120");
    EXPECT_EQ(probe(out, "v:0", "r_frame_rate"), "10/1");
    EXPECT_EQ(probe(out, "v:0", "nb_read_frames"), "12");
    EXPECT_EQ(probe(out, "a:0", "codec_name"), "aac");
    const double audio = std::stod(probe(out, "a:0", "duration"));
    EXPECT_NEAR(audio, 1.2, 0.15);
}

TEST(VideoTest, OddSizesAndContainersWithoutTheAudioCodec) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 3));
    VideoWriter::Options o;
    o.width = 33;  // odd: 4:2:0 cannot hold it
    o.height = 17;
    o.rateNum = 25;
    o.audioSource = dir / "in.mp4";
    // WebM holds only Vorbis and Opus audio: the AAC track is left out, with a note.
    VideoWriter writer(dir / "out.webm", "out.webm", o);
    EXPECT_NE(writer.audioNote().find("audio not copied: aac"), std::string::npos);
    Image image(33, 17);
    image.fill(200, 10, 10, 255);
    for (int i = 0; i < 3; ++i) writer.write(image, i / 25.0);
    writer.finish();
    EXPECT_EQ(probe(dir / "out.webm", "v:0", "width,height"), "33,17");
    EXPECT_EQ(probe(dir / "out.webm", "v:0", "nb_read_frames"), "3");
    EXPECT_EQ(probe(dir / "out.webm", "a", "codec_name"), "");
}

TEST(VideoTest, NamesAndBadFiles) {
    EXPECT_TRUE(VideoWriter::isVideoName("a.mp4"));
    EXPECT_TRUE(VideoWriter::isVideoName("a.MOV"));
    EXPECT_TRUE(VideoWriter::isVideoName("a.mkv"));
    EXPECT_FALSE(VideoWriter::isVideoName("a.png"));
    EXPECT_FALSE(VideoWriter::isVideoName("a.unknownext"));

    TempDir dir;
    std::ofstream(dir / "junk.mp4") << std::string(5000, 'x');
    EXPECT_THROW(VideoReader(dir / "junk.mp4"), InputError);
    EXPECT_THROW(VideoReader(dir / "missing.mp4"), InputError);
    // A file that opens but holds no video is refused with everything it opened let go
    // (the sanitizer build's leak check sees what is kept).
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i sine=duration=0.2 " +
                  quote(dir / "sound.m4a"))
                  .status,
              0);
    EXPECT_THROW(VideoReader(dir / "sound.m4a"), InputError);

    // A clip cut short mid-file: the reader either stops early or reports corrupt data,
    // it never hangs or crashes; a clip with its header destroyed does not open.
    ASSERT_TRUE(makeClip(dir / "in.mkv", 12, false));
    std::string bytes = contents(dir / "in.mkv");
    for (size_t i = 0; i < 64 && i < bytes.size(); ++i) bytes[i] = 0;
    std::ofstream(dir / "broken.mkv", std::ios::binary) << bytes;
    EXPECT_THROW(VideoReader(dir / "broken.mkv"), InputError);
}
