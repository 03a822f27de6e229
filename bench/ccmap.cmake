if(TARGET talvo::ccmap)
  talvo_bench(ccmap talvo::ccmap)
endif()
