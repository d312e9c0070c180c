# cmake -DBUILD_DIR=... -DWORK_DIR=... -P InstallTreeCheck.cmake
include(${CMAKE_CURRENT_LIST_DIR}/CheckSupport.cmake)

set(root ${WORK_DIR}/root)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(ENV{DESTDIR} ${root})
run_checked(ignored COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr)

set(usr ${root}/usr)
foreach(f
        bin/corvinel
        bin/corvinel-cli
        share/applications/corvinel.desktop
        share/icons/hicolor/scalable/apps/corvinel.svg
        share/icons/hicolor/256x256/apps/corvinel.png
        share/icons/hicolor/48x48/apps/corvinel.png
        share/corvinel/samples/generated-sample-history.txt
        share/corvinel/samples/README.md
        share/corvinel/translations/corvinel_zh_CN.qm)
    if(NOT EXISTS ${usr}/${f})
        message(FATAL_ERROR "not installed: /usr/${f}")
    endif()
endforeach()
# The installed window starts (offscreen) far enough to answer --help.
run_checked(ignored EXPECT "--data-dir" "历史数据库和导出文件所在的文件夹" COMMAND ${usr}/bin/corvinel --help)

# The window looks for its help pages beside its own folder, as
# <bin>/../share/corvinel/help.
foreach(page index.html manual.html demo.html)
    if(NOT EXISTS ${usr}/bin/../share/corvinel/help/${page})
        message(FATAL_ERROR "help page ${page} is not where the installed window looks for it")
    endif()
endforeach()

# The desktop entry starts the installed program and names the installed icon.
file(READ ${usr}/share/applications/corvinel.desktop desktop)
foreach(line "Exec=corvinel" "Icon=corvinel" "Type=Application")
    string(FIND "${desktop}" "${line}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "corvinel.desktop lacks \"${line}\"")
    endif()
endforeach()

# The installed corvinel-cli runs on its own, with no build tree beside it.
set(cli ${usr}/bin/corvinel-cli)
set(data ${WORK_DIR}/data)
run_checked(ignored EXPECT "usage: corvinel-cli" "import" "search" COMMAND ${cli} --help)
run_checked(ignored EXPECT "usage: corvinel-cli" COMMAND ${cli} help)
run_checked(ignored EXPECT "data folder: ${data}" "draws stored: 0" COMMAND ${cli} --data-dir ${data} info)
run_checked(ignored EXPECT "imported 2352 draws, skipped 0 lines"
    COMMAND ${cli} --data-dir ${data} --game 544 import ${usr}/share/corvinel/samples/generated-sample-history.txt)
run_checked(ignored EXPECT "draws stored: 2352" "last draw: 2025092884" "next draw: 2025092901"
    COMMAND ${cli} --data-dir ${data} --game 544 info)
file(REMOVE_RECURSE ${WORK_DIR})
