#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "controls/shapefile/ByteOrder.h"
#include "flatgeobuf/FlatGeobufFeature.h"
#include "flatgeobuf/feature_generated.h"

namespace tesselar {
namespace {

// Features encoded by hand, read back through the FlatBuffers library's own verifier and the
// accessors it generates from the format's schema.
TEST(FlatGeobufFeatureTest, EncodingIsWhatFlatBuffersReads) {
    const double x[4] = {0.0, 10.0, 10.5, 0.25};
    const double y[4] = {0.0, 0.0, 10.0, 9.75};
    struct Case {
        int corners;
        std::vector<std::uint8_t> columns;  // 0: the integer 7, else the double 1.5 * column
        std::vector<double> expectedXy;
    };
    const std::vector<Case> cases = {
        {4, {0, 1, 3}, {0, 0, 10, 0, 10.5, 10, 0.25, 9.75, 0, 0}},
        {4, {}, {0, 0, 10, 0, 10.5, 10, 0.25, 9.75, 0, 0}},
        {1, {2}, {0, 0}},
    };
    const double clockwiseX[4] = {0.0, 0.25, 10.5, 10.0};
    const double clockwiseY[4] = {0.0, 9.75, 10.0, 0.0};
    for (const bool clockwise : {false, true}) {
        for (const Case& test : cases) {
            FlatGeobufFeature feature;
            feature.Shape(clockwise ? clockwiseX : x, clockwise ? clockwiseY : y, test.corners);
            for (const std::uint8_t column : test.columns) {
                if (column == 0) {
                    feature.Integer(0, 7);
                } else {
                    feature.Real(column, 1.5 * column);
                }
            }
            // Written at an offset that is no multiple of 8, as features follow each other in
            // a file; the library reads each from a buffer of its own.
            std::vector<unsigned char> file(4 + feature.EncodedBytes());
            feature.Encode(file.data() + 4);
            std::uint32_t size = 0;
            std::memcpy(&size, file.data() + 4, 4);
            ASSERT_EQ(size + 4, feature.EncodedBytes());
            std::vector<std::uint8_t> buffer(file.begin() + 8, file.end());
            flatbuffers::Verifier verifier(buffer.data(), buffer.size());
            ASSERT_TRUE(FlatGeobuf::VerifyFeatureBuffer(verifier));
            const FlatGeobuf::Feature* read = FlatGeobuf::GetFeature(buffer.data());
            const auto* xy = read->geometry()->xy();
            // The format keeps doubles on 8 bytes from the table's start; FlatBuffers' verifier
            // does not check that of a vector's elements.
            EXPECT_EQ(static_cast<std::size_t>(reinterpret_cast<const std::uint8_t*>(xy->data()) -
                                               buffer.data()) %
                          8,
                      0u);
            EXPECT_EQ(std::vector<double>(xy->begin(), xy->end()), test.expectedXy);
            EXPECT_EQ(read->geometry()->ends(), nullptr);
            std::vector<std::uint8_t> expected;
            for (const std::uint8_t column : test.columns) {
                std::vector<std::uint8_t> value(column == 0 ? 6 : 10);
                PutUInt16Little(value.data(), column);
                if (column == 0) {
                    PutInt32Little(value.data() + 2, 7);
                } else {
                    PutDoubleLittle(value.data() + 2, 1.5 * column);
                }
                expected.insert(expected.end(), value.begin(), value.end());
            }
            const auto* properties = read->properties();
            EXPECT_EQ(std::vector<std::uint8_t>(properties->begin(), properties->end()), expected);
        }
    }
}

}  // namespace
}  // namespace tesselar
