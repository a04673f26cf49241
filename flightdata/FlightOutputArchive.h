#pragma once

#include "FlightArchiveFormat.h"

#include <boost/archive/binary_oarchive_impl.hpp>
#include <boost/serialization/collection_size_type.hpp>

#include <cstdint>
#include <streambuf>

// Binary archive in the flight file's framing: the header of FlightArchiveFormat, and 32-bit
// string lengths and collection counts, whatever the native sizes of this build are.
class FlightOutputArchive
    : public boost::archive::binary_oarchive_impl<FlightOutputArchive, char, std::char_traits<char>>
{
    using Base = boost::archive::binary_oarchive_impl<FlightOutputArchive, char, std::char_traits<char>>;
    friend class boost::archive::detail::interface_oarchive<FlightOutputArchive>;
    friend class boost::archive::basic_binary_oarchive<FlightOutputArchive>;
    friend class boost::archive::basic_binary_oprimitive<FlightOutputArchive, char, std::char_traits<char>>;
    friend class boost::archive::save_access;

public:
    // Writes the header at once; throws boost::archive::archive_exception when the buffer
    // refuses bytes.
    explicit FlightOutputArchive(std::streambuf &buffer);

private:
    template<class T>
    void save(const T &t)
    {
        Base::save(t);
    }
    void save(std::size_t stringLength);
    void save(const boost::serialization::collection_size_type &count);

    void saveUnsigned32(std::size_t value);
};
