<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>벨로린 회원 정보</title></head>
<body>
<h1>벨로린 회원 정보</h1>
<p>로그인되었습니다. 벨로린 서비스를 이용해 주셔서 감사합니다.</p>
<p>포인트 잔액과 쪽지는 프로그램 화면에서 확인할 수 있습니다.</p>
</body>
</html>
