<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 6 - 쪽지</title></head>
<body>
<h1>도움말 6 - 쪽지</h1>
<p>서버 리스트에서 회원을 골라 쪽지를 보낼 수 있습니다. 접속하지 않은 회원에게는 다음 접속 때 전해집니다.</p>
</body>
</html>
