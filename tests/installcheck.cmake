# Installs the build into a fresh prefix and checks that the files a desktop
# needs are there: the programs, the menu entry, the icon in every size (each
# PNG of the size its folder names), the software-centre data, the manual
# pages and the licence; and that nothing lands outside bin/ and share/.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... -P installcheck.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(id org.talvik.Talvik)
set(expected
    bin/talvik
    bin/talvik-sim
    bin/talvik-decode
    bin/talvik-can
    share/applications/${id}.desktop
    share/icons/hicolor/scalable/apps/${id}.svg
    share/metainfo/${id}.metainfo.xml
    share/man/man1/talvik.1.gz
    share/man/man1/talvik-sim.1.gz
    share/man/man1/talvik-decode.1.gz
    share/man/man1/talvik-can.1.gz
    share/doc/talvik/copyright
    share/doc/talvik/changelog.gz)
set(sizes 16 32 48 64 128 256)
foreach(size IN LISTS sizes)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/${id}.png)
endforeach()

set(faults)
foreach(path IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${path})
        list(APPEND faults "missing: ${path}")
    endif()
endforeach()

foreach(program talvik talvik-sim talvik-decode talvik-can)
    execute_process(COMMAND ${PREFIX}/bin/${program} --version
        RESULT_VARIABLE status OUTPUT_VARIABLE output)
    if(NOT status EQUAL 0 OR NOT output MATCHES "^${program} [0-9]+\\.[0-9]+")
        list(APPEND faults "${program} --version: ${status} ${output}")
    endif()
endforeach()

# A PNG holds its width and height as 32-bit numbers from byte 16 on.
foreach(size IN LISTS sizes)
    set(png ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/${id}.png)
    if(EXISTS ${png})
        file(READ ${png} header OFFSET 16 LIMIT 8 HEX)
        string(SUBSTRING ${header} 0 8 widthHex)
        string(SUBSTRING ${header} 8 8 heightHex)
        math(EXPR width "0x${widthHex}")
        math(EXPR height "0x${heightHex}")
        if(NOT width EQUAL size OR NOT height EQUAL size)
            list(APPEND faults "${size}x${size} icon is ${width}x${height}")
        endif()
    endif()
endforeach()

# The entry names the icon and the program that are installed.
file(STRINGS ${PREFIX}/share/applications/${id}.desktop entry)
if(NOT "Icon=${id}" IN_LIST entry OR NOT "Exec=talvik" IN_LIST entry)
    list(APPEND faults "the desktop entry does not start talvik with its icon")
endif()

file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
foreach(path IN LISTS installed)
    if(NOT path MATCHES "^(bin|share)/" OR path MATCHES "\\.(a|h|cmake)$")
        list(APPEND faults "unexpected: ${path}")
    endif()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "install into ${PREFIX}:\n  ${text}")
endif()
list(LENGTH installed count)
message(STATUS "${count} files installed into ${PREFIX}, each expected one present")
file(REMOVE_RECURSE ${PREFIX})
