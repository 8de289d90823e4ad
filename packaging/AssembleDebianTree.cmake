# Puts together the file tree of the Debian package "rure":
#   cmake -DAPP_BUNDLE=<Rure.app> -DDESKTOP_ENTRY=<file> -DICON=<file>
#         -DCOPYRIGHT=<file> -DCHANGELOG=<file> -DMAN_PAGE=<file>
#         -DROOT=<tree> -DSTAMP=<file> -P AssembleDebianTree.cmake
#
#   usr/lib/rure/Rure.app                      the signed bundle, copied as it is
#   usr/bin/rure                               -> ../lib/rure/Rure.app/Contents/bin/rure
#   usr/share/applications/com.didirezoror.rure.desktop   with Exec=rure
#   usr/share/icons/hicolor/scalable/apps/com.didirezoror.rure.svg
#   usr/share/metainfo/com.didirezoror.rure.metainfo.xml
#   usr/share/doc/rure/copyright
#   usr/share/doc/rure/changelog.Debian.gz
#   usr/share/man/man1/rure.1.gz
#
# The bundle keeps its own modes (its signature covers them); everything
# around it is 0755 for folders and 0644 for files, whatever the umask. The
# tree is made next to its place and moved there only when complete.
cmake_minimum_required(VERSION 3.25)

foreach(name APP_BUNDLE DESKTOP_ENTRY ICON COPYRIGHT CHANGELOG MAN_PAGE METAINFO ROOT STAMP)
    if(NOT DEFINED ${name} OR "${${name}}" STREQUAL "")
        message(FATAL_ERROR "AssembleDebianTree.cmake needs -D${name}=...")
    endif()
endforeach()

set(staging "${ROOT}.partial")
file(REMOVE_RECURSE "${staging}")

set(lib_dir "${staging}/usr/lib/rure")
set(bin_dir "${staging}/usr/bin")
set(applications_dir "${staging}/usr/share/applications")
set(icons_dir "${staging}/usr/share/icons/hicolor/scalable/apps")
set(doc_dir "${staging}/usr/share/doc/rure")
set(man_dir "${staging}/usr/share/man/man1")
set(metainfo_dir "${staging}/usr/share/metainfo")
file(MAKE_DIRECTORY "${lib_dir}" "${bin_dir}" "${applications_dir}" "${icons_dir}" "${doc_dir}"
     "${man_dir}" "${metainfo_dir}")

# The folders made so far, before the bundle is copied in.
file(GLOB_RECURSE tree_dirs LIST_DIRECTORIES true "${staging}/*")
list(APPEND tree_dirs "${staging}")
foreach(dir IN LISTS tree_dirs)
    if(IS_DIRECTORY "${dir}")
        file(CHMOD "${dir}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
             GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()

# A signed bundle is copied exactly, links and modes included.
execute_process(COMMAND cp -a -- "${APP_BUNDLE}" "${lib_dir}/Rure.app" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not copy ${APP_BUNDLE} into ${lib_dir}")
endif()

# Relative, as Debian wants links inside /usr; it resolves to the bundle's own
# program, so the running viewer's /proc/<pid>/exe lies inside Rure.app.
file(CREATE_LINK ../lib/rure/Rure.app/Contents/bin/rure "${bin_dir}/rure" SYMBOLIC)

function(install_file source target)
    file(COPY_FILE "${source}" "${target}")
    file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# The bundle's entry starts the program at its installer's place; this one
# starts the command on the PATH, with the same arguments (the link it opens).
file(READ "${DESKTOP_ENTRY}" entry)
if(NOT entry MATCHES "\nExec=[^ \n]+[^\n]*\n")
    message(FATAL_ERROR "${DESKTOP_ENTRY} has no Exec line")
endif()
string(REGEX REPLACE "\nExec=[^ \n]+" "\nExec=rure" entry "${entry}")
file(WRITE "${applications_dir}/com.didirezoror.rure.desktop" "${entry}")
file(CHMOD "${applications_dir}/com.didirezoror.rure.desktop"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install_file("${ICON}" "${icons_dir}/com.didirezoror.rure.svg")
install_file("${METAINFO}" "${metainfo_dir}/com.didirezoror.rure.metainfo.xml")
install_file("${COPYRIGHT}" "${doc_dir}/copyright")

# gzip -9n: the best compression, and no name or time stamp in the header, so
# the same text always gives the same bytes.
function(install_gzipped source target)
    execute_process(COMMAND gzip -9n -c -- "${source}" OUTPUT_FILE "${target}"
                    RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Could not compress ${source}: ${errors}")
    endif()
    file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()
install_gzipped("${CHANGELOG}" "${doc_dir}/changelog.Debian.gz")
install_gzipped("${MAN_PAGE}" "${man_dir}/rure.1.gz")

file(REMOVE_RECURSE "${ROOT}")
file(RENAME "${staging}" "${ROOT}")
file(TOUCH "${STAMP}")
