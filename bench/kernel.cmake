if(TARGET talvo::kernel)
  talvo_bench(kernel talvo::kernel)
endif()
