# Copies the build's test skins into seed folders of the skin fuzz targets:
# the images to fuzz_skins_bmp, the configurations to fuzz_skins_config and
# the packages to fuzz_skins_package. Run with -DTEST_SKINS=<folder> and
# -DOUT=<the fuzz targets' folder>.
function(copy_seeds target)
  file(MAKE_DIRECTORY ${OUT}/${target}.seeds)
  foreach(source IN LISTS ARGN)
    # Seeds of several skin folders share file names: the folder goes in front.
    get_filename_component(folder ${source} DIRECTORY)
    get_filename_component(folder ${folder} NAME)
    get_filename_component(name ${source} NAME)
    file(COPY_FILE ${source} ${OUT}/${target}.seeds/${folder}_${name} ONLY_IF_DIFFERENT)
  endforeach()
endfunction()

file(GLOB images ${TEST_SKINS}/TestSkin/*.bmp)
file(GLOB configs ${TEST_SKINS}/*/*.qze)
# The whole package, one cut inside an image, one with a bad header and one
# with a negative length: the wave that claims 2 GiB is left to the tests.
set(packages)
foreach(package TestSkin CutBmp BadHeader NegativeLength)
  list(APPEND packages ${TEST_SKINS}/${package}.qzp)
endforeach()
copy_seeds(fuzz_skins_bmp ${images})
copy_seeds(fuzz_skins_config ${configs})
copy_seeds(fuzz_skins_package ${packages})
