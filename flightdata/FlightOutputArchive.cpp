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

FlightOutputArchive::FlightOutputArchive(std::streambuf &buffer)
    : Base(buffer, boost::archive::no_header)
{
    using namespace FlightArchiveFormat;
    saveUnsigned32(SignatureLength);
    save_binary(Signature, SignatureLength);
    uint8_t version[2];
    storeLittleEndian16(version, LibraryVersion);
    save_binary(version, sizeof version);
    save_binary(NativeSizes, sizeof NativeSizes);
    saveUnsigned32(ByteOrderCheck);
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
