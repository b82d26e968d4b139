# Installs the build into a fresh prefix, checks what landed there with the desktop's own
# validators, then packages it as a .deb and looks inside.
# -DBUILD_DIR= -DAPP_ID= -DUDEV_RULE= -DUDEV_DIR= -DPNG_ICONS=
string(RANDOM LENGTH 8 tag)
set(work ${BUILD_DIR}/Testing/install-${tag})
set(prefix ${work}/prefix)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

foreach(tool desktop-file-validate appstreamcli)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "${tool} is missing: run scripts/install-deps.sh")
  endif()
endforeach()

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(expected
    bin/tessarel
    bin/tessarel-cli
    share/man/man1/tessarel-cli.1
    bin/tessarel-boardsim
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg)
if(PNG_ICONS)
  list(APPEND expected share/icons/hicolor/48x48/apps/${APP_ID}.png
                       share/icons/hicolor/256x256/apps/${APP_ID}.png)
endif()
foreach(f ${expected})
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(PNG_ICONS)
  foreach(size 48 256)
    # A PNG's width and height are the two big-endian words after its IHDR tag.
    file(READ ${prefix}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png header OFFSET 16 LIMIT 8 HEX)
    math(EXPR want "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${want}" 2 -1 want)
    string(LENGTH "${want}" n)
    while(n LESS 8)
      string(PREPEND want 0)
      string(LENGTH "${want}" n)
    endwhile()
    if(NOT header STREQUAL "${want}${want}")
      message(FATAL_ERROR "${size} px icon has the header ${header}")
    endif()
  endforeach()
endif()
set(rule ${prefix}/${UDEV_DIR}/70-tessarel.rules)
if(UDEV_RULE AND NOT EXISTS ${rule})
  message(FATAL_ERROR "the udev rule was asked for but not installed")
elseif(NOT UDEV_RULE AND EXISTS ${rule})
  message(FATAL_ERROR "the udev rule is installed although the option is off")
endif()

# The manual page renders without a warning where groff is there to tell.
find_program(groff groff)
if(groff)
  run("groff" ${groff} -man -ww -z ${prefix}/share/man/man1/tessarel-cli.1)
  if(NOT run_output STREQUAL "")
    message(FATAL_ERROR "groff warns about tessarel-cli.1:\n${run_output}")
  endif()
endif()

run("desktop-file-validate" desktop-file-validate ${prefix}/share/applications/${APP_ID}.desktop)
if(run_output MATCHES "error|warning")
  message(FATAL_ERROR "desktop-file-validate:\n${run_output}")
endif()
run("appstreamcli validate" appstreamcli validate --no-net ${prefix}/share/metainfo/${APP_ID}.metainfo.xml)
run("appstreamcli validate-tree" appstreamcli validate-tree --no-net ${prefix})

find_program(dpkg_deb dpkg-deb)
if(dpkg_deb)
  run("cpack" ${CMAKE_COMMAND} -E chdir ${work}
      cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${work}/package)
  file(GLOB debs ${work}/package/*.deb)
  list(LENGTH debs count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} packages: ${debs}")
  endif()
  run("dpkg-deb" ${dpkg_deb} --contents ${debs})
  foreach(f bin/tessarel bin/tessarel-cli share/man/man1/tessarel-cli.1 bin/tessarel-boardsim
            share/applications/${APP_ID}.desktop
            share/metainfo/${APP_ID}.metainfo.xml)
    if(NOT run_output MATCHES "\\./usr/${f}\n")
      message(FATAL_ERROR "the package lacks /usr/${f}:\n${run_output}")
    endif()
  endforeach()
  run("dpkg-deb" ${dpkg_deb} --field ${debs} Depends)
  if(NOT run_output MATCHES "libqt6serialport6")
    message(FATAL_ERROR "the package does not depend on Qt SerialPort: ${run_output}")
  endif()
endif()

file(REMOVE_RECURSE ${work})
