#include "FlightOutputArchive.h"

#include "LittleEndian.h"

#include <boost/archive/impl/archive_serializer_map.ipp>
#include <boost/archive/impl/basic_binary_oarchive.ipp>
#include <boost/archive/impl/basic_binary_oprimitive.ipp>

namespace boost {
namespace archive {
template class detail::archive_serializer_map<FlightOutputArchive>;
template class basic_binary_oarchive<FlightOutputArchive>;
template class basic_binary_oprimitive<FlightOutputArchive, char, std::char_traits<char>>;
template class binary_oarchive_impl<FlightOutputArchive, char, std::char_traits<char>>;
} // namespace archive
} // namespace boost

namespace {

// Header of a flight file: signature length and text, archive library version 15, the
// sizes of int, long, float and double of the 32-bit writer, and the byte-order check.
const unsigned char header[36] = {
    22, 0, 0, 0,
    's', 'e', 'r', 'i', 'a', 'l', 'i', 'z', 'a', 't', 'i', 'o', 'n', ':', ':',
    'a', 'r', 'c', 'h', 'i', 'v', 'e',
    15, 0,
    4, 4, 4, 8,
    1, 0, 0, 0,
};

} // namespace

FlightOutputArchive::FlightOutputArchive(std::streambuf &buffer)
    : Base(buffer, boost::archive::no_header)
{
    save_binary(header, sizeof header);
}

void FlightOutputArchive::saveUnsigned32(std::size_t value)
{
    if (value > UINT32_MAX)
        boost::serialization::throw_exception(
            boost::archive::archive_exception(boost::archive::archive_exception::output_stream_error,
                                              "size does not fit 32 bits"));
    uint8_t bytes[4];
    storeLittleEndian32(bytes, static_cast<uint32_t>(value));
    save_binary(bytes, sizeof bytes);
}

void FlightOutputArchive::save(std::size_t stringLength)
{
    saveUnsigned32(stringLength);
}

void FlightOutputArchive::save(const boost::serialization::collection_size_type &count)
{
    saveUnsigned32(count);
}
