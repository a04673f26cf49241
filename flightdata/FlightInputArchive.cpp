#include "FlightInputArchive.h"

#include "LittleEndian.h"

#include <boost/archive/impl/archive_serializer_map.ipp>
#include <boost/archive/impl/basic_binary_iarchive.ipp>
#include <boost/archive/impl/basic_binary_iprimitive.ipp>

#include <cstring>

namespace boost {
namespace archive {
template class detail::archive_serializer_map<FlightInputArchive>;
template class basic_binary_iarchive<FlightInputArchive>;
template class basic_binary_iprimitive<FlightInputArchive, char, std::char_traits<char>>;
template class binary_iarchive_impl<FlightInputArchive, char, std::char_traits<char>>;
} // namespace archive
} // namespace boost

using boost::archive::archive_exception;

namespace {

// The oldest library version whose header has the form written here.
const unsigned oldestLibraryVersion = 8;

// A length or count up to this asks for too little memory to matter, and reading past the end
// fails anyway; only larger ones are checked against the bytes left. Checking costs the file a
// system call, and a flight holds three small counts in each of its status records.
const uint32_t uncheckedLength = 4096;

void fail(archive_exception::exception_code code, const char *detail = nullptr)
{
    boost::serialization::throw_exception(archive_exception(code, detail));
}

} // namespace

FlightInputArchive::FlightInputArchive(std::streambuf &buffer)
    : Base(buffer, boost::archive::no_header)
    , m_source(buffer)
{
    const std::streamoff here = m_source.pubseekoff(0, std::ios::cur, std::ios::in);
    if (here >= 0) {
        m_end = m_source.pubseekoff(0, std::ios::end, std::ios::in);
        m_source.pubseekoff(here, std::ios::beg, std::ios::in);
    }
    readHeader();
}

void FlightInputArchive::readHeader()
{
    using namespace FlightArchiveFormat;
    unsigned char bytes[SignatureLength];
    try {
        if (loadUnsigned32() != SignatureLength)
            fail(archive_exception::invalid_signature);
        load_binary(bytes, sizeof bytes);
    } catch (const archive_exception &) {
        fail(archive_exception::invalid_signature);
    }
    if (std::memcmp(bytes, Signature, sizeof bytes) != 0)
        fail(archive_exception::invalid_signature);

    unsigned char version[2];
    load_binary(version, sizeof version);
    const unsigned fileVersion = littleEndian16(version);
    if (fileVersion > LibraryVersion || fileVersion < oldestLibraryVersion)
        fail(archive_exception::unsupported_version);
    set_library_version(boost::serialization::library_version_type(fileVersion));

    unsigned char sizes[4];
    load_binary(sizes, sizeof sizes);
    static const char *const sizeNames[4] = {"size of int", "size of long", "size of float", "size of double"};
    for (int i = 0; i < 4; ++i)
        if (sizes[i] != NativeSizes[i])
            fail(archive_exception::incompatible_native_format, sizeNames[i]);
    if (loadUnsigned32() != ByteOrderCheck)
        fail(archive_exception::incompatible_native_format, "endian setting");
}

uint32_t FlightInputArchive::loadUnsigned32()
{
    unsigned char bytes[4];
    load_binary(bytes, sizeof bytes);
    return littleEndian32(bytes);
}

void FlightInputArchive::requireBytesLeft(std::size_t count)
{
    if (m_end < 0 || count <= uncheckedLength)
        return;
    const std::streamoff here = m_source.pubseekoff(0, std::ios::cur, std::ios::in);
    if (here < 0 || here > m_end || count > std::size_t(m_end - here))
        fail(archive_exception::input_stream_error);
}

void FlightInputArchive::load(bool &t)
{
    // Valid files hold 0 or 1; any other byte reads as true rather than as an invalid bool.
    unsigned char byte;
    load_binary(&byte, 1);
    t = byte != 0;
}

void FlightInputArchive::load(std::size_t &stringLength)
{
    stringLength = loadUnsigned32();
    requireBytesLeft(stringLength);
}

void FlightInputArchive::load(boost::serialization::collection_size_type &count)
{
    // Every element takes at least one byte, so a larger count is damage, not data.
    const uint32_t value = loadUnsigned32();
    requireBytesLeft(value);
    count = boost::serialization::collection_size_type(value);
}

void FlightInputArchive::load(boost::archive::class_id_type &id)
{
    Base::load(id);
    // -1 marks a null pointer; other negative ids would index outside the class table.
    if (static_cast<int>(id) < -1)
        fail(archive_exception::input_stream_error);
}
