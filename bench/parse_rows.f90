! Parsing baseline: the element printout rows of bench_parse read by the
! Fortran runtime with the layout (I7,A11,7E11.3); prints the time and the sum
! of all values read.
! Usage: fortran_parse <rows file>
program fortran_parse
  implicit none
  character(len=4096) :: path
  character(len=11) :: location
  integer :: point, status, pass
  double precision :: v(7), total
  integer(8) :: c0, c1, rate, best
  call get_command_argument(1, path)
  best = huge(best)
  do pass = 1, 2
    call system_clock(c0, rate)
    open(10, file=trim(path), form='formatted', status='old', action='read')
    total = 0d0
    do
      read(10, '(I7,A11,7E11.3)', iostat=status) point, location, v
      if (status /= 0) exit
      total = total + v(1)
      total = total + v(2)
      total = total + v(3)
      total = total + v(4)
      total = total + v(5)
      total = total + v(6)
      total = total + v(7)
    end do
    close(10)
    call system_clock(c1)
    best = min(best, c1 - c0)
  end do
  write(*, '(A,F8.3,1X,ES25.17)') 'fortran ', dble(best) / dble(rate), total
end program fortran_parse
