#pragma once

#include "FlightArchiveFormat.h"

#include <boost/archive/binary_iarchive_impl.hpp>
#include <boost/serialization/collection_size_type.hpp>

#include <cstdint>
#include <streambuf>

// Reads archives in the flight file's framing (see FlightOutputArchive). Files are
// untrusted: lengths and counts larger than the bytes left, class ids outside the
// archive's own range and bool bytes other than 0 or 1 never reach the library unchecked.
class FlightInputArchive
    : public boost::archive::binary_iarchive_impl<FlightInputArchive, char, std::char_traits<char>>
{
    using Base = boost::archive::binary_iarchive_impl<FlightInputArchive, char, std::char_traits<char>>;
    friend class boost::archive::detail::interface_iarchive<FlightInputArchive>;
    friend class boost::archive::basic_binary_iarchive<FlightInputArchive>;
    friend class boost::archive::basic_binary_iprimitive<FlightInputArchive, char, std::char_traits<char>>;
    friend class boost::archive::load_access;

public:
    // Reads and checks the header; throws boost::archive::archive_exception when it is not
    // a flight archive this program can read.
    explicit FlightInputArchive(std::streambuf &buffer);

    // The flight being read: a damaged object reference must not hand it out as an event.
    const void *flightBeingLoaded = nullptr;

private:
    template<class T>
    void load(T &t)
    {
        Base::load(t);
    }
    void load(bool &t);
    void load(std::size_t &stringLength);
    void load(boost::serialization::collection_size_type &count);
    void load(boost::archive::class_id_type &id);

    void readHeader();
    uint32_t loadUnsigned32();
    void requireBytesLeft(std::size_t count);

    std::streambuf &m_source;
    std::streamoff m_end = -1;
};
