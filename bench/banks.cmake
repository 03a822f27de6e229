if(TARGET talvo::banks)
  talvo_bench(banks talvo::banks talvo::bridge)
endif()
